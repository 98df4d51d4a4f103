// The sound, through Web Audio: one voice; a sound that stops or is replaced fades over
// the release. After a while of silence the context rests (no processor time, as the
// desktop games' streams rest) and the next sound wakes it.
// This one-voice fade is the browser's own counterpart of sound/voice.cpp (the native
// streaming voice): both fade over kReleaseMs from sound/sound_rate.h (setupAudio).
Object.assign(Page, {
  // The context, made after the board's first frame, and the game's sounds in it.
  makeAudio() {
    if (Page.audio || Page.soundClosed) return;
    let context;
    try {
      context = new AudioContext({latencyHint: 0.001});
    } catch (error) {
      return;  // no audio: the game plays on silently
    }
    const audio = {context, buffers: [], voice: null, quietAt: 0, resting: false, restTimer: 0,
                   started: false, lead: 128 / context.sampleRate, leadMeasured: false};
    Page.audio = audio;
    context.addEventListener('statechange', () => {
      if (context.state !== 'running') return;
      audio.started = true;
      Page.measureLead(audio);
    });
    _web_hand_sounds();
    Page.restSoon();
  },
  // How far past its currentTime the engine may have rendered already: a fade that began
  // there would start part-way down, with a step. A render quantum at least; the engine's
  // own processing latency where it states one (a quantum in Chromium and WebKit); where
  // it does not (Firefox, which renders about 20 ms at a time), the largest step of
  // currentTime seen in its first 100 ms of running.
  measureLead(audio) {
    if (audio.leadMeasured) return;
    audio.leadMeasured = true;
    const context = audio.context, until = performance.now() + 100;
    audio.lead = Math.max(audio.lead, context.baseLatency || 0);
    if (context.baseLatency > 0) return;
    let last = context.currentTime;
    const look = () => {
      const now = context.currentTime;
      if (last > 0 && now > last) audio.lead = Math.max(audio.lead, now - last);
      last = now;
      if (performance.now() < until && context.state === 'running') setTimeout(look, 1);
    };
    look();
  },
  setupAudio(releaseMs, idleMs) {
    Page.audio.release = releaseMs / 1000;
    Page.audio.idleMs = idleMs;
  },
  addSound(id, samples, rate) {
    const buffer = Page.audio.context.createBuffer(1, samples.length, rate);
    const data = buffer.getChannelData(0);
    for (let i = 0; i < samples.length; ++i) data[i] = samples[i] / 32768;
    Page.audio.buffers[id] = buffer;
  },
  // The first key, click or tap starts the page's sound (the browsers' autoplay rule),
  // even at rest: Safari lets it start within such a gesture only, and the game's first
  // note comes later, at a tick. Once started, it wakes by itself when a sound plays;
  // a gesture brings it back after an interruption (a phone call). A resume outside a
  // gesture may be refused; the next gesture tries again.
  wakeAudio() {
    const audio = Page.audio;
    if (!audio || audio.context.state === 'running' || (audio.resting && audio.started)) return;
    audio.context.resume().catch(() => {});
    Page.restSoon();
  },
  restSoon() {
    const audio = Page.audio;
    clearTimeout(audio.restTimer);
    audio.restTimer = setTimeout(() => {
      if (audio.voice && !audio.voice.ended) return;
      audio.resting = true;
      audio.context.suspend().catch(() => {});
    }, audio.idleMs);
  },
  play(id, loop) {
    const audio = Page.audio;
    if (!audio || !audio.buffers[id]) return;
    const context = audio.context;
    clearTimeout(audio.restTimer);
    if (audio.resting) {
      audio.resting = false;
      context.resume().catch(() => {});
    }
    // After the fade of whatever sounded last, as one voice plays. The sounds' first
    // samples step up from silence; a rise over the first millisecond keeps that step
    // no larger than the notes' own (the browser takes the sounds to the device's rate
    // by straight lines between samples, which keeps such a step).
    const start = Math.max(Page.stop(), audio.quietAt, context.currentTime);
    const source = context.createBufferSource();
    source.buffer = audio.buffers[id];
    source.loop = loop !== 0;
    const gain = context.createGain();
    gain.gain.setValueAtTime(0, start);
    gain.gain.linearRampToValueAtTime(1, start + 0.001);
    source.connect(gain).connect(context.destination);
    source.start(start);
    const voice = {source, gain, ended: false};
    source.onended = () => {
      voice.ended = true;
      if (audio.voice === voice) Page.restSoon();
    };
    audio.voice = voice;
  },
  // The fade starts past what the engine may have rendered already (the lead).
  stop(audio = Page.audio) {
    const voice = audio && audio.voice;
    if (!voice || voice.ended) return 0;
    const begin = audio.context.currentTime + audio.lead;
    voice.gain.gain.setValueAtTime(1, begin);
    voice.gain.gain.linearRampToValueAtTime(0, begin + audio.release);
    voice.source.stop(begin + audio.release);
    audio.voice = null;
    audio.quietAt = begin + audio.release;
    if (audio === Page.audio) Page.restSoon();
    return audio.quietAt;
  },
  // The sound ends as a stop does, faded, and the context closes after the fade.
  closeSound() {
    const audio = Page.audio;
    Page.audio = null;
    Page.soundClosed = true;
    if (audio) {
      clearTimeout(audio.restTimer);
      // Closed once the fade has been heard: closing drops what the output still holds.
      Page.stop(audio);
      const heard = audio.quietAt + (audio.context.outputLatency || 0.1);
      const wait = Math.max(0, heard - audio.context.currentTime) * 1000 + 20;
      // A running context is suspended first: Firefox's audio over PulseAudio hangs now
      // and then as such a stream stops, and less often so than when a running context
      // is closed. One never started is closed at once (WebKit settles no suspend of it).
      const close = () => audio.context.close().then(Page.soundEnded, Page.soundEnded);
      setTimeout(() => {
        if (audio.context.state === 'running') audio.context.suspend().then(close, close);
        else close();
      }, wait);
    } else {
      Page.soundEnded();
    }
  },
  soundEnded() {
    document.documentElement.dataset.sound = 'closed';
  },
});
