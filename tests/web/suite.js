// The page and the <cinefold-player> element in headless Chromium: what the canvas shows is,
// pixel for pixel, what `cinefold render` draws for the same frame and screen; dropped savers play
// their own animation; a bad file gets the tool's own line; the keys; two players on one page.
//
//   node suite.js --site DIR --tool CINEFOLD --saver-maker JS --modules DIR --chromium PATH
//
// Every wait polls for what it expects, within a generous limit; nothing sleeps a fixed time.

import {execFileSync, spawnSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

const options = {};
for (let i = 2; i + 1 < process.argv.length; i += 2)
    options[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
const tool = process.env.CF_CINEFOLD || options.tool;
const puppeteer = createRequire(path.join(options.modules, 'package.json'))('puppeteer-core');
const waitLimit = 30000;
const period = 100; // the demo's timer period in milliseconds
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'cinefold-web.'));

function fail(message) {
    throw new Error(message);
}

// Polls `probe` until it yields something truthy, which it returns.
async function until(what, probe) {
    const end = Date.now() + waitLimit;
    for (;;) {
        const value = await probe();
        if (value) return value;
        if (Date.now() > end) fail(`gave up waiting for ${what}`);
        await new Promise((resolve) => setTimeout(resolve, 20));
    }
}

function cinefold(...args) {
    const run = spawnSync(tool, args, {cwd: work, encoding: 'utf8'});
    if (run.error) fail(`cannot run ${tool}: ${run.error.message}`);
    return run;
}

// The tool's picture, served to the page as /t/NAME.
let pictures = 0;
function render(file, frame, ...view) {
    const name = `render-${++pictures}.png`;
    const run = cinefold('render', file, '--frame', String(frame), ...view, '-o', name);
    if (run.status !== 0) fail(`cinefold render ${file} ${view.join(' ')}: ${run.stderr}`);
    return `/t/${name}`;
}

// The site at /, the test's own files at /t/.
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.png': 'image/png'};
const server = http.createServer((request, response) => {
    const url = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    const file = url.startsWith('/t/') ? path.join(work, url.slice(3))
                                       : path.join(options.site, url === '/' ? 'index.html' : url);
    fs.readFile(file, (error, data) => {
        if (error) {
            response.writeHead(404).end();
            return;
        }
        response.writeHead(200, {'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
                                 'Cache-Control': 'no-store'});
        response.end(data);
    });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}`;

const browser = await puppeteer.launch({
    executablePath: options.chromium,
    headless: true,
    userDataDir: path.join(work, 'profile'),
    defaultViewport: {width: 900, height: 700},
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--disable-quic'],
});
const page = await browser.newPage();
const pageErrors = [];
page.on('pageerror', (error) => pageErrors.push(error.message));

// In the page: keeps the player's picture and frame of this instant as shot `id`; compares a
// shot with a PNG (its pixels as stored, without colour conversion) or with another shot.
const helpers = `
window.shots = [];
window.shoot = (selector) => {
    const player = document.querySelector(selector);
    const canvas = player.canvas;
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    window.shots.push(pixels);
    return {id: window.shots.length - 1, frame: player.frame, width: canvas.width,
            height: canvas.height, time: performance.now()};
};
window.differences = async (id, other) => {
    const shot = window.shots[id];
    let picture = window.shots[other];
    if (typeof other === 'string') {
        const bitmap = await createImageBitmap(await (await fetch(other)).blob(),
                                               {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
        if (bitmap.width !== shot.width || bitmap.height !== shot.height)
            return 'size ' + shot.width + 'x' + shot.height + ' against ' + bitmap.width + 'x' + bitmap.height;
        const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
        const context = canvas.getContext('2d');
        context.drawImage(bitmap, 0, 0);
        picture = context.getImageData(0, 0, bitmap.width, bitmap.height);
    }
    let count = 0;
    for (let i = 0; i < shot.data.length; i += 4)
        count += shot.data[i] !== picture.data[i] || shot.data[i + 1] !== picture.data[i + 1] ||
                 shot.data[i + 2] !== picture.data[i + 2];
    return count;
};`;
await page.evaluateOnNewDocument(helpers);

const player = (selector, property) =>
    page.evaluate((s, p) => document.querySelector(s)[p], selector, property);
const shoot = (selector = '#player') => page.evaluate((s) => window.shoot(s), selector);
const differences = (id, other) => page.evaluate((a, b) => window.differences(a, b), id, other);

async function expectPicture(shot, file, ...view) {
    const found = await differences(shot.id, render(file, shot.frame, ...view));
    if (found !== 0)
        fail(`frame ${shot.frame} of ${file} (${view.join(' ') || 'stage'}): ${found} pixels differ`);
}

async function open(query, name = 'demo.cfc') {
    await page.goto(`${base}/index.html${query}`);
    await until(`${name} to show`, async () =>
        (await player('#player', 'name')) === name && (await player('#player', 'frame')) >= 0);
}

const demo = path.join(options.site, 'demo.cfc');
const cases = {
    async 'the page plays the demo at its own size, each picture a frame of the demo'() {
        await open('');
        const first = await shoot();
        const second = await until('the next frame', async () => {
            const shot = await shoot();
            return shot.frame !== first.frame && shot.time - first.time >= period ? shot : null;
        });
        if ((await differences(first.id, second.id)) === 0)
            fail(`frames ${first.frame} and ${second.frame} show the same picture`);
        for (const shot of [first, second])
            await expectPicture(shot, demo, '--screen', `${shot.width}x${shot.height}`);
    },

    async 'a held frame is the tool\'s picture, centred, stretched and in the preview'() {
        const views = [['screen=800x600', ['--screen', '800x600'], [800, 600]],
                       ['screen=800x600&stretch=1', ['--screen', '800x600', '--stretch'], [800, 600]],
                       ['screen=1024x768&stretch=1', ['--screen', '1024x768', '--stretch'], [1024, 768]],
                       ['preview=200x150', ['--preview', '200x150'], [200, 150]]];
        for (const frame of [0, 137, 522])
            for (const [query, view, [width, height]] of views) {
                await open(`?src=demo.cfc&frame=${frame}&paused=1&${query}`);
                const shot = await shoot();
                if (shot.frame !== frame || shot.width !== width || shot.height !== height)
                    fail(`${query}: frame ${shot.frame} at ${shot.width}x${shot.height}`);
                await expectPicture(shot, demo, ...view);
            }
    },

    async 'dropped 32- and 64-bit savers play their own animation; a bad file is refused'() {
        // A smaller stage on another background, so that a picture of it cannot be the demo's.
        cinefold('unpack', demo, '-o', 'variant');
        const project = JSON.parse(fs.readFileSync(path.join(work, 'variant/project.json')));
        Object.assign(project.stage, {width: 480, height: 360, backColor: '#204000'});
        fs.writeFileSync(path.join(work, 'variant/project.json'), JSON.stringify(project));
        if (cinefold('pack', 'variant/project.json', '-o', 'variant.cfc').status !== 0)
            fail('cannot pack the variant');
        execFileSync(process.execPath, [options['saver-maker'], path.join(work, 'variant.cfc'),
                                        path.join(work, 'aquarium32.scr'),
                                        path.join(work, 'aquarium64.scr')]);
        fs.writeFileSync(path.join(work, 'notes.txt'), 'Not an animation.\n');

        await open('?screen=800x600');
        const drop = (name) => page.evaluate(async (file) => {
            const bytes = await (await fetch('/t/' + file)).arrayBuffer();
            const transfer = new DataTransfer();
            transfer.items.add(new File([bytes], file));
            document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true}));
        }, name);
        for (const saver of ['aquarium32.scr', 'aquarium64.scr']) {
            await drop(saver);
            await until(`${saver} to play`, async () => (await player('#player', 'name')) === saver);
            await expectPicture(await shoot(), path.join(work, saver), '--screen', '800x600');
        }
        await drop('notes.txt');
        const told = await until('the problem line', () =>
            page.evaluate(() => document.getElementById('problem').textContent));
        const expected = cinefold('info', 'notes.txt').stderr.trim().split('\n')[0];
        if (told !== expected) fail(`the page says "${told}", the tool "${expected}"`);
        const before = await shoot();
        const after = await until('the saver to go on', async () => {
            const shot = await shoot();
            return shot.frame !== before.frame ? shot : null;
        });
        if ((await player('#player', 'name')) !== 'aquarium64.scr') fail('the saver was replaced');
        await expectPicture(after, path.join(work, 'aquarium64.scr'), '--screen', '800x600');
    },

    async 'space pauses, Right steps one frame on, Left one back'() {
        await open('?screen=800x600');
        await page.keyboard.press('Space');
        await until('the pause', () => player('#player', 'paused'));
        const held = await player('#player', 'frame');
        const since = await page.evaluate(() => performance.now());
        await until('three periods', async () =>
            (await page.evaluate(() => performance.now())) - since > 3 * period);
        if ((await player('#player', 'frame')) !== held) fail('the paused player went on');
        for (const [key, frame] of [['ArrowRight', held + 1], ['ArrowLeft', held]]) {
            await page.keyboard.press(key);
            await until(`${key} to show frame ${frame}`, async () =>
                (await player('#player', 'frame')) === frame);
            await expectPicture(await shoot(), demo, '--screen', '800x600');
        }
    },

    async 'a user who prefers reduced motion gets the demo paused'() {
        await page.emulateMediaFeatures([{name: 'prefers-reduced-motion', value: 'reduce'}]);
        try {
            await open('');
            if (!(await player('#player', 'paused'))) fail('the demo plays');
        } finally {
            await page.emulateMediaFeatures([]);
        }
    },

    async 'two elements play independently; one out of view calls nothing'() {
        fs.writeFileSync(path.join(work, 'two.html'), `<!doctype html>
<script src="/cinefold-player.js"></script>
<style>body { margin: 0 } cinefold-player { width: 320px; height: 240px }</style>
<cinefold-player id="a" src="/demo.cfc"></cinefold-player>
<cinefold-player id="b" src="/demo.cfc" frame="100" paused stretch></cinefold-player>
<div style="height: 3000px"></div>
<cinefold-player id="c" src="/demo.cfc"></cinefold-player>`);
        await page.goto(`${base}/t/two.html`);
        const frame = (id) => player(`#${id}`, 'frame');
        const calls = (id) => player(`#${id}`, 'moduleCalls');
        const framesOf = async (id, count) => {
            const start = await frame(id);
            await until(`${count} frames of ${id}`, async () => {
                const now = await frame(id);
                return now >= start + count || now < start;
            });
        };
        await until('three players', async () =>
            (await frame('a')) >= 0 && (await frame('b')) >= 0 && (await frame('c')) >= 0);
        await framesOf('a', 3);
        if ((await frame('b')) !== 100) fail('the paused player moved with the other');
        const setPaused = (id, paused) =>
            page.evaluate((i, p) => document.getElementById(i).setPaused(p), id, paused);
        await setPaused('a', true);
        await setPaused('b', false);
        const held = await frame('a');
        await framesOf('b', 3);
        if ((await frame('a')) !== held) fail('the paused player moved with the other');
        await setPaused('a', false);

        for (const [where, scroll] of [['below the page', null], ['scrolled away', 'away']]) {
            if (scroll) {
                await page.evaluate(() => document.getElementById('c').scrollIntoView());
                await until('c on screen and playing', async () =>
                    (await player('#c', 'onScreen')) && (await framesOf('c', 2), true));
                await page.evaluate(() => window.scrollTo(0, 0));
                await until('c off screen', async () => !(await player('#c', 'onScreen')));
            }
            await framesOf('a', 1);
            const before = await calls('c');
            await framesOf('a', 5);
            const after = await calls('c');
            if (after !== before) fail(`c ${where} called the module ${after - before} times`);
        }
    },
};

let failed = 0;
try {
    for (const [name, run] of Object.entries(cases)) {
        try {
            await run();
            if (pageErrors.length) fail(`the page threw: ${pageErrors.join('; ')}`);
            console.log(`ok: ${name}`);
        } catch (error) {
            ++failed;
            console.log(`FAILED: ${name}: ${error.message}`);
        }
        pageErrors.length = 0;
    }
} finally {
    await browser.close();
    server.close();
    fs.rmSync(work, {recursive: true, force: true});
}
process.exit(failed ? 1 : 0);
