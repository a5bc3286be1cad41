// The web page's loading, measured in Debian's Chromium (headless) on the
// site as a plain static server gives it (no compression, no cache):
//   node bench/web_loading.mjs SITE_FOLDER [ROUNDS]
// (scripts/web builds the site; tests/web's npm packages drive the browser.)
// Prints, as the median of the rounds: the bytes fetched before the warning
// and the time to it on an emulated phone (Fast 4G, processor 4 x slower),
// the time from OK to the first frame on the desktop, and the whole site's
// size. Measures; asserts nothing.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import {createRequire} from 'node:module';

const require = createRequire(new URL('../tests/web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

const [site, rounds = '3'] = process.argv.slice(2);
if (!fs.existsSync(path.join(site ?? '', 'index.html'))) throw new Error(`no site in "${site}"`);

// Chromium DevTools' "Fast 4G", and its phone-class processor slow-down.
const fast4g = {download: 9e6 / 8, upload: 1.5e6 / 8, latency: 165};
const phoneSlowdown = 4;
// The site as a visitor fetches it: the benchmark's own files are not.
const benchFiles = /^kelvora_bench_web\./;

const server = http.createServer((request, response) => {
    const file = path.join(site, path.normalize('/' + (decodeURIComponent(new URL(request.url, 'http://x').pathname)
        .slice(1) || 'index.html')));
    if (!fs.statSync(file, {throwIfNoEntry: false})?.isFile()) return response.writeHead(404).end();
    response.writeHead(200, {'Content-Length': fs.statSync(file).size, 'Cache-Control': 'no-store'});
    fs.createReadStream(file).pipe(response);
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvora-bench-chromium.'));
const browser = await puppeteer.launch({
    executablePath: process.env.KELVORA_CHROMIUM || '/usr/bin/chromium', headless: true, userDataDir: profile,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--no-first-run', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
    defaultViewport: {width: 1280, height: 720},
});

// The moments the page opens its first box and presents its first frame,
// and the box's close, in the page's clock.
function timeMoments() {
    window.kelvoraMoments = {};
    const showModal = HTMLDialogElement.prototype.showModal;
    HTMLDialogElement.prototype.showModal = function() {
        window.kelvoraMoments.warning ??= performance.now();
        this.addEventListener('close', () => { window.kelvoraMoments.ok ??= performance.now(); }, {once: true});
        return showModal.call(this);
    };
    let frames = 0;
    Object.defineProperty(window, 'kelvoraFrames', {configurable: true, get: () => frames, set: count => {
        frames = count;
        if (count === 1) window.kelvoraMoments.firstFrame = performance.now();
    }});
}

// One load: {bytes before the warning, ms to it, ms from OK to the first frame}.
async function load(phone) {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.setCacheEnabled(false);
    await page.evaluateOnNewDocument(timeMoments);
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    let bytes = 0, warningShown = false;
    cdp.on('Network.dataReceived', event => { if (!warningShown) bytes += event.encodedDataLength; });
    cdp.on('Network.responseReceived', event => {
        if (!warningShown) bytes += event.response.encodedDataLength || 0;  // the headers
    });
    if (phone) {
        await page.emulateNetworkConditions(fast4g);
        await page.emulateCPUThrottling(phoneSlowdown);
    }
    await page.goto(`${origin}/index.html`);
    await page.waitForSelector('dialog#box[open]', {timeout: 120000});
    warningShown = true;
    await page.click('#box-ok');
    await page.waitForFunction(() => window.kelvoraMoments.firstFrame, {timeout: 120000});
    const moments = await page.evaluate(() => window.kelvoraMoments);
    await context.close();
    return {bytes, warning: moments.warning, firstFrame: moments.firstFrame - moments.ok};
}

const median = values => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
const phone = [], desktop = [];
for (let round = 0; round < Number(rounds); ++round) {
    phone.push(await load(true));
    desktop.push(await load(false));
}
const siteBytes = fs.readdirSync(site, {recursive: true})
    .filter(name => !benchFiles.test(path.basename(name)))
    .map(name => fs.statSync(path.join(site, name)))
    .filter(stat => stat.isFile())
    .reduce((sum, stat) => sum + stat.size, 0);
const mb = n => `${(n / 1e6).toFixed(2)} MB`;
console.log(`site: ${site}, ${rounds} rounds, medians`);
console.log(`bytes before the warning, Fast 4G: ${mb(median(phone.map(r => r.bytes)))}`);
console.log(`time to the warning, Fast 4G, processor ${phoneSlowdown} x slower: ${
    (median(phone.map(r => r.warning)) / 1000).toFixed(2)} s`);
console.log(`OK to the first frame, desktop: ${(median(desktop.map(r => r.firstFrame)) / 1000).toFixed(3)} s`);
console.log(`whole site from a plain static server: ${mb(siteBytes)}`);
await browser.close();
server.close();
fs.rmSync(profile, {recursive: true, force: true});
