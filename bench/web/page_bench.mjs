// Measures the browser game in one of Debian's browser engines, from outside the page but
// for the mark it sets when its board first shows (bench/native/run.sh):
//
//   node page_bench.mjs ENGINE load URL RUNS     navigation start to the first frame
//                                                showing the board, each load with nothing
//                                                cached
//   node page_bench.mjs ENGINE keys URL ROUNDS   free play opened with the menu's
//                                                mnemonics (Alt+J, L), then the keys of
//                                                board 2 pressed 700 ms apart; before each
//                                                press "play UNIX_MICROSECONDS aNN" (its
//                                                note), at the end "stop UNIX_MICROSECONDS -"
//                                                (key_sound.py)
//   node page_bench.mjs ENGINE ticks URL SECONDS the game kept moving in free play (a key
//                                                every fifth tick) while each tick's
//                                                lateness is recorded
//   node page_bench.mjs ENGINE idle URL SECONDS  the processor time of the page's processes
//                                                and of the whole browser while the game
//                                                rests, beside a blank page
import {launch} from '../../tests/web/browsers.mjs';

const [engine, mode, url, count] = process.argv.slice(2);
const n = Number(count);
const size = {width: 640, height: 505};
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
const unixMicroseconds = () => Math.round((performance.timeOrigin + performance.now()) * 1000);
const percentile = (values, p) => [...values].sort((a, b) => a - b)[Math.floor(p * (values.length - 1))];

async function waitFor(page, expression, limitMs, what) {
  for (const end = Date.now() + limitMs; Date.now() < end; await sleep(20))
    if (await page.eval(expression)) return;
  throw new Error(what);
}

async function open(browser, fresh = false) {
  const page = await browser.open(url, {...size, fresh});
  await waitFor(page, "typeof Page === 'object' && Page.painted === true", 10000,
                'the board was not drawn');
  return page;
}

async function openFreePlay(page) {
  await page.key('Alt+J');
  await page.key('l');
  await waitFor(page, "document.getElementById('status').textContent.startsWith('Free')", 3000,
                'free play did not open');
}

async function load(browser) {
  const times = [];
  for (let i = 0; i < n; ++i) {
    const page = await open(browser, true);
    await waitFor(page, "performance.getEntriesByName('board-shown').length > 0", 5000,
                  'no frame showed the board');
    times.push(await page.eval("performance.getEntriesByName('board-shown')[0].startTime"));
    await page.close();
  }
  console.log(`first frame showing the board, ms: median ${percentile(times, 0.5).toFixed(1)}, ` +
              `min ${percentile(times, 0).toFixed(1)}, max ${percentile(times, 1).toFixed(1)} (${n} runs)`);
}

async function keys(browser) {
  const page = await open(browser);
  await openFreePlay(page);
  await waitFor(page, "!!Page.audio && Page.audio.context.state === 'running'", 5000,
                "the page's audio did not start");
  const notes = [['e', 'a58'], ['r', 'a62'], ['d', 'a65'], ['f', 'a70']];
  for (let round = 0; round < n; ++round) {
    for (const [key, note] of notes) {
      console.log(`play ${unixMicroseconds()} ${note}`);
      await page.key(key);
      await sleep(700);
    }
  }
  console.log(`stop ${unixMicroseconds()} -`);
}

async function ticks(browser) {
  const page = await open(browser);
  // Each batch of ticks as the page's clock hands it over: when, and the ticks due.
  await page.eval(`window.ticks = []; const due = Page.ticksDue;
    Page.ticksDue = clock => { const before = clock.done; due(clock);
      if (clock.done > before) ticks.push([performance.now() - clock.origin, clock.done]); }; true`);
  await openFreePlay(page);
  const end = Date.now() + n * 1000;
  for (let i = 0; Date.now() < end; ++i) {
    await page.key('erdf'[i % 4]);
    await sleep(250);
  }
  const seen = await page.eval('ticks');
  const errors = seen.map(([at, done]) => at - done * 50);  // after the last tick's due time
  const late = seen.filter(([, done], i) => i > 0 && done - seen[i - 1][1] > 1).length;
  console.log(`ticks: ${seen.length} batches over ${n} s; error ms p50 ${percentile(errors, 0.5).toFixed(2)}, ` +
              `p99 ${percentile(errors, 0.99).toFixed(2)}, max ${percentile(errors, 1).toFixed(2)}; ` +
              `batches of more than one tick ${late}; drift at the end ` +
              `${(errors[errors.length - 1] / 50).toFixed(3)} ticks`);
}

async function idle() {
  for (const what of ['about:blank', url]) {
    const browser = await launch(engine, {sound: true, plain: true});
    const page = await browser.open(what, size);
    if (what !== 'about:blank') {
      await waitFor(page, "typeof Page === 'object' && Page.painted === true", 10000,
                    'the board was not drawn');
      await page.key('d');  // a player's first key: the sound starts, then rests
    }
    await sleep(4000);
    const before = browser.cpu();
    await sleep(n * 1000);
    const after = browser.cpu();
    const share = key => (100 * (after[key] - before[key]) / n).toFixed(2);
    console.log(`idle ${what === 'about:blank' ? 'blank page' : 'game'}: page ${share('page')} %, ` +
                `whole browser ${share('all')} % of a core over ${n} s`);
    await browser.close();
  }
}

if (!['load', 'keys', 'ticks', 'idle'].includes(mode) || !url || !(n > 0)) {
  console.error('usage: node page_bench.mjs chromium|firefox|webkit load|keys|ticks|idle URL N');
  process.exit(2);
}
try {
  if (mode === 'idle') {
    await idle();
  } else {
    const browser = await launch(engine, {sound: true, plain: true});  // heard, at the benchmark's sink
    await {load, keys, ticks}[mode](browser);
    await browser.close();
  }
} catch (error) {
  console.error(`page_bench: ${error.message}`);
  process.exit(1);
}
