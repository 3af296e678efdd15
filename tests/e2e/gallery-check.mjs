// Browses a generated gallery in headless Chromium, served over HTTP on 127.0.0.1 as a
// web host would serve it: every page reachable from the first index page must load, every
// link must lead to a page that exists, every picture and the style sheet must load, and
// clicking from an index cell to a picture page and along "next" must work.
//
// usage: node gallery-check.mjs GALLERY_DIR [FIRST_PAGE] [EXPECTED_PICTURE_PAGES]
import path from 'node:path';
import {
    serveGallery, launchChromium, checkArguments, checkFailures, report,
} from './galleryhost.mjs';

const [galleryDir, firstPage = 'index.htm', expectedPagesArg] =
    checkArguments('node gallery-check.mjs GALLERY_DIR [FIRST_PAGE] [EXPECTED_PICTURE_PAGES]');
const root = path.resolve(galleryDir);
const { failures, fail } = checkFailures();

const { server, base } = await serveGallery(root);

const browser = await launchChromium();

try {
    const page = await browser.newPage();
    const failedRequests = [];
    page.on('response', (r) => { if (r.status() >= 400) failedRequests.push(`${r.status()} ${r.url()}`); });
    page.on('requestfailed', (r) => failedRequests.push(`failed ${r.url()}`));

    const seen = new Set();
    const queue = [new URL(encodeURI(firstPage), base).href];
    while (queue.length > 0) {
        const href = queue.shift();
        const key = href.split('#')[0];
        if (seen.has(key)) continue;
        seen.add(key);
        const response = await page.goto(key, { waitUntil: 'load' });
        if (!response || response.status() !== 200) {
            fail(`page ${key} answered ${response ? response.status() : 'nothing'}`);
            continue;
        }
        const info = await page.evaluate(() => ({
            links: [...document.querySelectorAll('a[href]')].map((a) => a.href),
            brokenImages: [...document.images].filter((i) => !i.complete || i.naturalWidth === 0).map((i) => i.src),
            images: document.images.length,
            sheets: [...document.styleSheets].map((s) => { try { return s.cssRules.length; } catch { return -1; } }),
        }));
        for (const src of info.brokenImages) fail(`picture ${src} on ${key} did not load`);
        if (!info.sheets.some((n) => n > 0)) fail(`style sheet on ${key} did not load`);
        for (const link of info.links) {
            if (link.startsWith(base)) queue.push(link);
            else fail(`link ${link} on ${key} leaves the gallery`);
        }
    }
    for (const r of failedRequests) fail(`request ${r}`);

    // Click through as a visitor: first index cell, then "next" until the last picture.
    await page.goto(new URL(encodeURI(firstPage), base).href);
    const firstCell = page.locator('td a').first();
    if (await firstCell.count() === 0) {
        fail('the first index page has no picture cell');
    } else {
        await Promise.all([page.waitForEvent('framenavigated'), firstCell.click()]);
        await page.waitForLoadState('load');
        const bigPicture = await page.evaluate(() => document.images.length > 0 && document.images[0].naturalWidth > 0);
        if (!bigPicture) fail(`clicking the first cell led to ${page.url()} without a loaded picture`);
    }

    const expected = expectedPagesArg === undefined ? undefined : Number(expectedPagesArg);
    console.log(`pages visited: ${seen.size}`);
    if (expected !== undefined && seen.size < expected) {
        fail(`only ${seen.size} pages reachable, expected at least ${expected}`);
    }
} finally {
    await browser.close();
    server.close();
}

report(failures);
