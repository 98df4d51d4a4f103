// Debian's three browser engines, driven through their standard automation for the
// browser game's tests and benchmark: Chromium over the DevTools protocol and Firefox
// over WebDriver BiDi, both through puppeteer-core; WebKitGTK (the engine of Safari and
// of every iPhone and iPad browser) over W3C WebDriver, through selenium-webdriver with
// WebKitWebDriver and MiniBrowser on a private X server. Each engine is the system's
// own; nothing is downloaded.
//
// launch(engine, {ratio, sound}) gives a browser whose open(url, {width, height, touch})
// gives a page: eval, key, click, tap, shot, errors, goto, close.
//
// Run as a program, `node browsers.mjs ENGINE [RATIO] [--sound]` serves one browser to a
// test program over its standard input and output, in JSON lines (serve).
import {spawn} from 'node:child_process';
import {mkdtempSync, readFileSync, readdirSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {createServer} from 'node:net';
import {createInterface} from 'node:readline';

import {PNG} from 'pngjs';
import puppeteer from 'puppeteer-core';
import {Builder, Key, Origin} from 'selenium-webdriver';

export const kEngines = ['chromium', 'firefox', 'webkit'];
const kMiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// "Alt+J" -> {modifiers: ['Alt'], key: 'j'}, the letter's own key; "Shift+E" and "R"
// (typed with Caps Lock) keep their capitals.
function parseKey(name) {
  const parts = name.split('+');
  const modifiers = parts.slice(0, -1);
  let key = parts[parts.length - 1];
  if (modifiers.includes('Alt')) key = key.toLowerCase();
  return {modifiers, key};
}

// The RGB pixels of `clip` (CSS pixels) in a screenshot of the viewport at `ratio`, its
// edges snapped to device pixels as the engines snap what they draw there.
function rgbOf(png, clip, ratio) {
  const image = PNG.sync.read(Buffer.from(png));
  const snap = v => Math.round(v * ratio);
  const x = snap(clip.x), y = snap(clip.y);
  const width = Math.min(snap(clip.x + clip.width), image.width) - x;
  const height = Math.min(snap(clip.y + clip.height), image.height) - y;
  const rgb = Buffer.alloc(width * height * 3);
  for (let row = 0; row < height; ++row)
    for (let column = 0; column < width; ++column) {
      const from = ((y + row) * image.width + x + column) * 4, to = (row * width + column) * 3;
      image.data.copy(rgb, to, from, from + 3);
    }
  return {width, height, rgb};
}

// Processor seconds of `root` and every process below it, and of those among them that
// `isPage` (a command line) says render pages.
function processorTime(root, isPage) {
  const children = new Map();
  const stat = {};
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const text = readFileSync(`/proc/${entry}/stat`, 'utf8');
      const fields = text.slice(text.lastIndexOf(')') + 2).split(' ');
      const parent = Number(fields[1]);
      stat[entry] = (Number(fields[11]) + Number(fields[12])) / 100;  // utime + stime, ticks
      if (!children.has(parent)) children.set(parent, []);
      children.get(parent).push(Number(entry));
    } catch (error) {
      // gone meanwhile
    }
  }
  const times = {all: 0, page: 0};
  for (const queue = [root]; queue.length;) {
    const pid = queue.pop();
    times.all += stat[pid] || 0;
    try {
      if (isPage(readFileSync(`/proc/${pid}/cmdline`, 'utf8'))) times.page += stat[pid] || 0;
    } catch (error) {
      // gone meanwhile
    }
    queue.push(...(children.get(pid) || []));
  }
  return times;
}

// Chromium and Firefox, through puppeteer-core.
class PuppeteerPage {
  constructor(browser, page, engine) {
    Object.assign(this, {browser, page, engine, log: []});
    page.on('pageerror', error => this.log.push('uncaught: ' + (error.message || error)));
    page.on('console', message => {
      if (message.type() === 'error') this.log.push('console.error: ' + message.text());
    });
  }
  async setup({width, height, touch, preload}) {
    this.touch = !!touch;
    await this.viewport({width, height});
    if (preload) await this.page.evaluateOnNewDocument(preload);
    if (this.engine === 'chromium') {
      // The page has the focus, as the window a player plays in.
      this.cdp = await this.page.createCDPSession();
      await this.cdp.send('Emulation.setFocusEmulationEnabled', {enabled: true});
    }
  }
  // Chromium's ratio is the screen's, set at its start; Firefox's automation changes a
  // page's as a zoom does.
  viewport({width, height, ratio}) {
    const deviceScaleFactor = this.engine === 'chromium' ? this.browser.ratio : ratio;
    return this.page.setViewport({width, height, hasTouch: this.touch, isMobile: this.touch,
                                  ...(deviceScaleFactor && {deviceScaleFactor})});
  }
  goto(url) { return this.page.goto(url, {waitUntil: 'load'}); }
  eval(expression) { return this.page.evaluate(expression); }
  async key(name, repeat) {
    const {modifiers, key} = parseKey(name);
    if (repeat) return this.repeat(key);
    for (const modifier of modifiers) await this.page.keyboard.down(modifier);
    await this.page.keyboard.press(key);
    for (const modifier of modifiers.reverse()) await this.page.keyboard.up(modifier);
  }
  // A key's auto-repeat alone. Chromium's input sends one; WebDriver's actions mark a
  // key down as a repeat only after a first press, so elsewhere the page is handed
  // the event a repeat makes.
  async repeat(key) {
    if (!this.cdp) return dispatchRepeat(this, key);
    const code = /\d/.test(key) ? 'Digit' + key : 'Key' + key.toUpperCase();
    const event = {key, code, windowsVirtualKeyCode: key.toUpperCase().charCodeAt(0)};
    await this.cdp.send('Input.dispatchKeyEvent', {type: 'keyDown', text: key, autoRepeat: true, ...event});
    await this.cdp.send('Input.dispatchKeyEvent', {type: 'keyUp', ...event});
  }
  click(x, y) { return this.page.mouse.click(x, y); }
  tap(x, y) { return this.page.touchscreen.tap(x, y); }
  async shot(clip, ratio) {
    const png = await this.page.screenshot({type: 'png', captureBeyondViewport: false,
                                            ...(this.cdp && {optimizeForSpeed: true})});
    return rgbOf(png, clip, ratio);
  }
  errors() { return this.log.splice(0); }
  close() { return this.page.close(); }
}

function dispatchRepeat(page, key) {
  return page.eval(`document.activeElement.dispatchEvent(new KeyboardEvent('keydown',
      {key: ${JSON.stringify(key)}, repeat: true, bubbles: true, cancelable: true}))`);
}

async function launchPuppeteer(engine, ratio, sound, plain) {
  const options = engine === 'chromium' && plain
      // As a player's browser starts: none of the automation's own settings.
      ? {executablePath: '/usr/bin/chromium', pipe: true, ignoreDefaultArgs: true,
         args: ['--headless=new', '--no-sandbox', '--no-first-run', '--no-default-browser-check',
                '--user-data-dir=' + mkdtempSync(join(tmpdir(), 'zirirar-chromium-'))]}
      : engine === 'chromium'
      ? {executablePath: '/usr/bin/chromium',
         // Drawn by the processor alone; the screen's own ratio (an emulated one alone
         // leaves the canvas's device-pixel box in CSS pixels); frames on demand, so a
         // screenshot takes about 20 ms instead of 50.
         args: ['--no-sandbox', '--disable-gpu', '--disable-frame-rate-limit',
                `--force-device-scale-factor=${ratio}`],
         ignoreDefaultArgs: sound ? ['--mute-audio'] : []}
      : {browser: 'firefox', executablePath: '/usr/bin/firefox-esr',
         extraPrefsFirefox: {'layout.css.devPixelsPerPx': String(ratio),
                             ...(!sound && {'media.volume_scale': '0.0'})}};
  const browser = await puppeteer.launch({headless: true, defaultViewport: null, ...options});
  const pageFlag = engine === 'chromium' ? '--type=renderer' : '-isForBrowser';
  const self = {
    engine, ratio,
    // With `fresh`, in a browser context of its own: nothing cached, no service worker.
    async open(url, size) {
      const context = size.fresh ? await browser.createBrowserContext() : browser;
      const page = new PuppeteerPage(self, await context.newPage(), engine);
      if (size.fresh) page.close = () => context.close();
      await page.setup(size);
      await page.goto(url);
      return page;
    },
    cpu: () => processorTime(browser.process().pid, line => line.includes(pageFlag)),
    close: () => browser.close(),
  };
  return self;
}

// WebKitGTK, through W3C WebDriver: one MiniBrowser window, a page a navigation.
class WebDriverPage {
  constructor(browser) { Object.assign(this, {browser, driver: browser.driver}); }
  async setup({width, height, preload}) {
    if (preload) throw new Error('WebKitGTK\'s WebDriver runs no script before the page\'s own');
    await this.viewport({width, height});
  }
  async viewport({width, height, ratio}) {
    if (ratio && ratio !== this.browser.ratio) throw new Error('WebKitGTK\'s WebDriver cannot zoom');
    // The window's size that gives the page this viewport: its toolbar comes on top. The
    // X server resizes the window a moment later; the page's sizes follow then.
    const window = this.driver.manage().window();
    const sizes = () => this.driver.executeScript('return [innerWidth, innerHeight, outerWidth, outerHeight]');
    let got = await sizes();
    for (let waited = 0; (got[0] !== width || got[1] !== height) && waited < 3000; waited += 50) {
      if (waited % 500 === 0)
        await window.setRect({width: width + got[2] - got[0], height: height + got[3] - got[1]});
      await new Promise(resolve => setTimeout(resolve, 50));
      got = await sizes();
    }
    if (got[0] !== width || got[1] !== height)
      throw new Error(`MiniBrowser gives a viewport of ${got[0]} x ${got[1]}, not ${width} x ${height}`);
  }
  // What the page throws, and its console's errors, from its load on: no script of the
  // automation's runs before the page's own here.
  async goto(url) {
    await this.driver.get(url);
    await this.driver.executeScript(`
      window.pageErrors = [];
      addEventListener('error', e => pageErrors.push('uncaught: ' + e.message));
      addEventListener('unhandledrejection', e => pageErrors.push('uncaught: ' + e.reason));
      const error = console.error;
      console.error = (...args) => { pageErrors.push('console.error: ' + args.join(' ')); error(...args); };`);
  }
  eval(expression) {
    return this.driver.executeAsyncScript(`const done = arguments[1];
      Promise.resolve().then(() => (0, eval)(arguments[0]))
          .then(value => done({value}), error => done({error: String(error && error.stack || error)}));`,
      expression).then(reply => {
      if ('error' in reply) throw new Error(reply.error);
      return reply.value;
    });
  }
  async key(name, repeat) {
    const {modifiers, key} = parseKey(name);
    if (repeat) return dispatchRepeat(this, key);
    const value = k => k.length === 1 ? k : Key[k.replace(/([a-z])([A-Z])/g, '$1_$2').toUpperCase()];
    let actions = this.driver.actions({async: true});
    for (const modifier of modifiers) actions = actions.keyDown(value(modifier));
    actions = actions.keyDown(value(key)).keyUp(value(key));
    for (const modifier of modifiers.reverse()) actions = actions.keyUp(value(modifier));
    await actions.perform();
  }
  // W3C actions take whole CSS pixels.
  click(x, y) {
    return this.driver.actions({async: true})
        .move({origin: Origin.VIEWPORT, x: Math.floor(x), y: Math.floor(y)})
        .press().release().perform();
  }
  tap() { throw new Error('WebKitGTK\'s WebDriver has no touch input'); }
  async shot(clip, ratio) {
    return rgbOf(Buffer.from(await this.driver.takeScreenshot(), 'base64'), clip, ratio);
  }
  errors() { return this.eval('window.pageErrors ? pageErrors.splice(0) : []'); }
  close() { return this.driver.get('about:blank'); }
}

function freePort() {
  return new Promise(resolve => {
    const server = createServer().listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

// A private X server of its own, as `Xvfb -displayfd` reports it.
function startX() {
  const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1920x1200x24', '-nolisten', 'tcp'],
                       {stdio: ['ignore', 'ignore', 'ignore', 'pipe']});
  return new Promise((resolve, reject) => {
    server.stdio[3].once('data', data => resolve({server, display: ':' + String(data).trim()}));
    server.once('exit', code => reject(new Error('Xvfb ended with ' + code)));
  });
}

async function launchWebKit(ratio, sound) {
  const {server, display} = await startX();
  const env = {...process.env, DISPLAY: display, GDK_SCALE: String(ratio),
               ...(!sound && {PULSE_SERVER: 'unix:/nonexistent/pulse'})};
  const port = await freePort();
  const driverProcess = spawn('WebKitWebDriver', [`--port=${port}`], {env, stdio: ['ignore', 'ignore', 'inherit']});
  for (let tries = 0; !(await fetch(`http://127.0.0.1:${port}/status`).then(r => r.ok, () => false)); ++tries) {
    if (tries === 100 || driverProcess.exitCode !== null) throw new Error('WebKitWebDriver did not answer');
    await new Promise(resolve => setTimeout(resolve, 50));
  }
  const session = () => new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
    browserName: 'MiniBrowser',
    'webkitgtk:browserOptions': {binary: kMiniBrowser,
                                 // Sound starts within a gesture only, as in Safari.
                                 args: ['--automation', '--media-playback-requires-user-gesture=true']},
  }).build();
  const self = {
    engine: 'webkit', ratio, driver: await session(),
    // With `fresh`, in a MiniBrowser of its own: nothing cached, no service worker.
    async open(url, size) {
      if (size.fresh) {
        await self.driver.quit();
        self.driver = await session();
      }
      const page = new WebDriverPage(self);
      await page.setup(size);
      await page.goto(url);
      return page;
    },
    cpu: () => processorTime(driverProcess.pid, line => line.includes('WebKitWebProcess')),
    async close() {
      await self.driver.quit().catch(() => {});
      driverProcess.kill();
      server.kill();
    },
  };
  return self;
}

// `plain`: Chromium as a player starts it, for measures (tests draw without the GPU,
// with frames on demand).
export function launch(engine, {ratio = 1, sound = false, plain = false} = {}) {
  if (engine === 'webkit') return launchWebKit(ratio, sound);
  if (engine === 'chromium' || engine === 'firefox') return launchPuppeteer(engine, ratio, sound, plain);
  throw new Error(`no engine "${engine}" (${kEngines.join(', ')})`);
}

// The test program's end: a request a line, {op, page, args}, which calls the browser's
// open(...args) or page `page`'s method `op`; a reply a line, {value} or {error}, a
// screenshot's RGB pixels after it.
async function serve(engine, ratio, sound) {
  const reply = (value, bytes) => {
    process.stdout.write(JSON.stringify(value) + '\n');
    if (bytes) process.stdout.write(bytes);
  };
  let browser;
  try {
    browser = await launch(engine, {ratio, sound});
  } catch (error) {
    return reply({error: `${engine} did not start: ${error.message}`});
  }
  reply({value: true});
  const pages = new Map();
  let next = 0;
  for await (const line of createInterface({input: process.stdin})) {
    const {op, page, args} = JSON.parse(line);
    try {
      if (op === 'open') {
        pages.set(++next, await browser.open(...args));
        reply({value: next});
        continue;
      }
      if (!pages.get(page)?.[op]) throw new Error(`no request "${op}" of page ${page}`);
      const value = (await pages.get(page)[op](...args)) ?? null;
      if (op === 'close') pages.delete(page);
      const {rgb, ...shot} = Buffer.isBuffer(value?.rgb) ? value : {};  // a screenshot
      reply(rgb ? {value: shot, bytes: rgb.length} : {value}, rgb);
    } catch (error) {
      reply({error: error.message});
    }
  }
  await browser.close();
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const args = process.argv.slice(2);
  serve(args[0], Number(args.find(a => /^[\d.]+$/.test(a)) || 1), args.includes('--sound'));
}
