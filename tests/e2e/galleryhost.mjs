// What both browser checks share: a static server for a generated gallery on 127.0.0.1, as
// a web host would serve it, Debian's Chromium started headless, and the failures and the
// result line of a check.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { chromium } from 'playwright-core';

const types = { '.htm': 'text/html', '.html': 'text/html', '.css': 'text/css', '.jpg': 'image/jpeg',
    '.gif': 'image/gif', '.png': 'image/png' };

// Maps URL paths to files below `root`, refusing anything outside. No charset in the header:
// the page's own declaration has to be right. Resolves to { server, base }.
export async function serveGallery(root) {
    const server = http.createServer((req, res) => {
        const url = new URL(req.url, 'http://127.0.0.1');
        const file = path.join(root, decodeURIComponent(url.pathname));
        if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
            res.writeHead(404);
            res.end('not found');
            return;
        }
        res.writeHead(200, { 'Content-Type': types[path.extname(file).toLowerCase()] || 'application/octet-stream' });
        fs.createReadStream(file).pipe(res);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return { server, base: `http://127.0.0.1:${server.address().port}/` };
}

export function launchChromium() {
    return chromium.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
}

// The check's arguments, the gallery folder first; without one, the usage `usage` and exit
// code 2.
export function checkArguments(usage) {
    const args = process.argv.slice(2);
    if (!args[0]) {
        console.error(`usage: ${usage}`);
        process.exit(2);
    }
    return args;
}

// The failures of a check: `fail` prints each at once and keeps it for `report`.
export function checkFailures() {
    const failures = [];
    return { failures, fail: (msg) => { failures.push(msg); console.error(`FAIL ${msg}`); } };
}

// Prints the check's result line and ends the process with 1 after any failure.
export function report(failures) {
    if (failures.length > 0) {
        console.log(`0 passed, ${failures.length} failed`);
        process.exit(1);
    }
    console.log('1 passed, 0 failed');
}
