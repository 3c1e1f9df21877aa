// The web player's figures: the size of the module and the element's script, raw and gzip; the
// time from navigation to the page's first frame of the demo in headless Chromium; the CPU time
// per minute of the browser's processes while the page plays the demo stretched on a 1920 x 1080
// screen (compare bench/linux_saver_cpu.sh for cinefold-saver's).
//
//   node bench/web_figures.mjs BUILD_WEB [SECONDS_OF_PLAY]     (BUILD_WEB: build/web; 60 s)

import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const build = process.argv[2] ?? 'build/web';
const span = Number(process.argv[3] ?? 60);
const site = path.join(build, 'web/site');
const puppeteer = createRequire(path.resolve(build, 'tests/web/npm/package.json'))('puppeteer-core');

let total = [0, 0];
for (const name of ['cinefold.wasm', 'cinefold-player.js']) {
    const bytes = fs.readFileSync(path.join(site, name));
    const packed = zlib.gzipSync(bytes, {level: 9}).length;
    total = [total[0] + bytes.length, total[1] + packed];
    console.log(`${name}: ${(bytes.length / 1024).toFixed(1)} KB, gzip ${(packed / 1024).toFixed(1)} KB`);
}
console.log(`together: ${(total[0] / 1024).toFixed(1)} KB, gzip ${(total[1] / 1024).toFixed(1)} KB`);

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = http.createServer((request, response) => {
    const file = path.join(site, new URL(request.url, 'http://host').pathname);
    fs.readFile(file, (error, data) => {
        if (error) return response.writeHead(404).end();
        response.writeHead(200, {'Content-Type': types[path.extname(file)] ?? 'application/octet-stream'});
        response.end(data);
    });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}/index.html`;

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'cinefold-figures.'));
const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true, userDataDir: profile,
    defaultViewport: {width: 1920, height: 1080},
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--disable-quic', '--window-size=1920,1080'],
});

// Navigation to first frame: the player notes performance.now() (counted from the navigation's
// start) when it first puts a picture on its canvas. The first load compiles the module; the
// browser caches the compiled module for later loads.
const times = [];
for (let i = 0; i < 11; ++i) {
    const page = await browser.newPage();
    await page.goto(base);
    await page.waitForFunction(() => document.getElementById('player').firstFrameTime !== null,
                               {polling: 10, timeout: 30000});
    times.push(await page.evaluate(() => document.getElementById('player').firstFrameTime));
    await page.close();
}
const later = times.slice(1).sort((a, b) => a - b);
console.log(`navigation to first frame: first load ${times[0].toFixed(0)} ms, then median ` +
            `${later[later.length >> 1].toFixed(0)} ms (${later[0].toFixed(0)} to ${later.at(-1).toFixed(0)})`);

// CPU per minute of the browser's processes while the demo plays stretched on 1920 x 1080.
const ticks = Number(execFileSync('getconf', ['CLK_TCK']));
function processes() {
    const found = {};
    for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
        let command, stat;
        try {
            command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
            stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
        } catch {
            continue;
        }
        if (!command.includes(profile)) continue;
        const kind = /--type=([a-z-]+)/.exec(command)?.[1] ?? 'browser';
        const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        found[kind] = (found[kind] ?? 0) + Number(fields[11]) + Number(fields[12]);
    }
    return found;
}
const page = await browser.newPage();
await page.goto(`${base}?screen=1920x1080&stretch=1`);
await page.waitForFunction(() => document.getElementById('player').frame >= 0, {timeout: 30000});
// The first frames warm the caches; the figure is for steady play.
await new Promise((resolve) => setTimeout(resolve, 2000));
const before = processes();
const framesBefore = await page.evaluate(() => document.getElementById('player').frame);
await new Promise((resolve) => setTimeout(resolve, span * 1000));
const after = processes();
const framesAfter = await page.evaluate(() => document.getElementById('player').frame);
for (const kind of Object.keys(after)) {
    const seconds = (after[kind] - (before[kind] ?? 0)) / ticks * 60 / span;
    console.log(`1920x1080 stretched, ${kind.replace(/-process$/, "")} process: ${seconds.toFixed(2)} s CPU per minute ` +
                `(${(seconds / 60 * 100).toFixed(2)} % of one core)`);
}
console.log(`frames shown from ${framesBefore} to ${framesAfter} in ${span} s`);
await browser.close();
server.close();
fs.rmSync(profile, {recursive: true, force: true});
