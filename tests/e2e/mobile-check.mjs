// Checks a gallery made for phones and HiDPI screens in headless Chromium, served over HTTP on
// 127.0.0.1: axe-core finds no serious or critical violation on the first index page and the
// first picture page; on a phone (390 x 844 CSS pixels, device scale 3) neither page scrolls
// sideways, nothing shifts while loading (cumulative layout shift 0) and, where the pages
// offer srcset, the browser loads the 2x files; the arrow keys and Escape follow the links.
// With SCREENSHOT=file.png the phone's view of the index page is saved there.
//
// usage: node mobile-check.mjs GALLERY_DIR [FIRST_PAGE]
import path from 'node:path';
import { createRequire } from 'node:module';
import {
    serveGallery, launchChromium, checkArguments, checkFailures, report,
} from './galleryhost.mjs';

const require = createRequire(import.meta.url);
const [galleryDir, firstPage = 'index.htm'] =
    checkArguments('node mobile-check.mjs GALLERY_DIR [FIRST_PAGE]');
const root = path.resolve(galleryDir);
const { failures, fail } = checkFailures();

const { server, base } = await serveGallery(root);
const indexUrl = new URL(encodeURI(firstPage), base).href;

const browser = await launchChromium();

// Sums every layout shift from the start of the page.
const observeShifts = () => {
    window.__shift = 0;
    new PerformanceObserver((list) => {
        for (const e of list.getEntries()) if (!e.hadRecentInput) window.__shift += e.value;
    }).observe({ type: 'layout-shift', buffered: true });
};

try {
    // A desktop look first: the accessibility rules.
    const desk = await browser.newPage();
    await desk.goto(indexUrl, { waitUntil: 'load' });
    const pictureUrl = await desk.evaluate(() => document.querySelector('td a')?.href);
    if (!pictureUrl) throw new Error(`${firstPage} links no picture page`);
    for (const url of [indexUrl, pictureUrl]) {
        await desk.goto(url, { waitUntil: 'load' });
        await desk.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
        const violations = await desk.evaluate(async () => (await window.axe.run()).violations
            .filter((v) => v.impact === 'serious' || v.impact === 'critical')
            .map((v) => `${v.id} (${v.impact}): ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
        for (const v of violations) fail(`axe on ${url}: ${v}`);
    }

    // A phone.
    const phone = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
        isMobile: true, hasTouch: true });
    await phone.addInitScript(observeShifts);
    const page = await phone.newPage();
    const loaded = new Set();
    page.on('requestfinished', (r) => { if (r.resourceType() === 'image') loaded.add(r.url()); });
    let srcsetSeen = false;
    for (const url of [indexUrl, pictureUrl]) {
        await page.goto(url, { waitUntil: 'load' });
        // Bring the lazy pictures in as a visitor would, then back to the top.
        await page.evaluate(async () => {
            for (let y = 0; y <= document.documentElement.scrollHeight; y += 400) {
                window.scrollTo(0, y);
                await new Promise((r) => setTimeout(r, 50));
            }
            window.scrollTo(0, 0);
        });
        await page.waitForLoadState('networkidle');
        const info = await page.evaluate(() => ({
            scrollWidth: document.documentElement.scrollWidth,
            clientWidth: document.documentElement.clientWidth,
            shift: window.__shift,
            sized: [...document.images].filter((i) => !i.getAttribute('width') || !i.getAttribute('height')).map((i) => i.src),
            srcset: [...document.images].filter((i) => i.srcset).map((i) => ({
                current: i.currentSrc,
                want: new URL(i.srcset.split(',').map((c) => c.trim().split(/\s+/))
                    .find((c) => c[1] === '2x')?.[0] ?? i.src, document.baseURI).href,
            })),
        }));
        if (info.scrollWidth > info.clientWidth) fail(`${url} scrolls sideways on a phone: ${info.scrollWidth} > ${info.clientWidth}`);
        if (info.shift !== 0) fail(`${url}: cumulative layout shift ${info.shift}`);
        for (const src of info.sized) fail(`${url}: picture ${src} without width and height`);
        for (const s of info.srcset) {
            srcsetSeen = true;
            if (s.current !== s.want || !loaded.has(s.want)) fail(`${url}: loaded ${s.current}, not the 2x file ${s.want}`);
        }
        if (url === indexUrl && process.env.SCREENSHOT) {
            await page.screenshot({ path: process.env.SCREENSHOT, scale: 'css' });
            console.log(`screenshot: ${process.env.SCREENSHOT}`);
        }
    }
    console.log(srcsetSeen ? '2x files: checked' : '2x files: the pages offer no srcset, not checked');

    // Keyboard on the picture page: right arrow to the next page (where there is one), Escape
    // to the index.
    await page.goto(pictureUrl, { waitUntil: 'load' });
    const next = await page.evaluate(() => document.querySelector('a[data-nav="next"]')?.href);
    if (next) {
        await Promise.all([page.waitForURL(next), page.keyboard.press('ArrowRight')]);
        await Promise.all([page.waitForURL(pictureUrl), page.keyboard.press('ArrowLeft')]);
    }
    const index = await page.evaluate(() => document.querySelector('a[data-nav="index"]')?.href);
    if (!index) fail(`${pictureUrl} has no index link for the keyboard`);
    else await Promise.all([page.waitForURL(index), page.keyboard.press('Escape')]);
} catch (e) {
    fail(String(e));
} finally {
    await browser.close();
    server.close();
}

report(failures);
