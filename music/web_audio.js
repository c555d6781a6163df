// The page's audio output for music/web_audio.cpp: a script node that asks the player
// for samples, and the audio context's output timestamp for what is heard now.
mergeInto(LibraryManager.library, {
  // Frames a request asks for: about 46 ms, the page's thread renders them in well under 1 ms.
  $WEB_AUDIO_FRAMES: 2048,
  // Requests remembered for the clock, about 370 ms of them. A request's playbackTime is
  // counted from when the page's thread got to it, a device callback or more late when that
  // thread was busy, never early; the requests play back to back, so each one says where the
  // music's first frame is on the context's timeline, and the earliest of the recent ones is
  // the truest. A request the node could not wait for (it plays silence then) moves that
  // place on for good: forgotten requests let the clock follow within this many.
  $WEB_AUDIO_MARKS: 8,
  $webAudio: null,

  web_audio_open__deps: ["$WEB_AUDIO_FRAMES", "$WEB_AUDIO_MARKS", "$webAudio", "web_audio_render"],
  web_audio_open: function (rate, channels) {
    const page = typeof window !== "undefined" && window.invitation ? window.invitation : {};
    let context = page.audio;
    try {
      if (!context) {
        context = new AudioContext({ sampleRate: rate, latencyHint: "interactive" });
        page.audio = context;
      }
    } catch (error) {
      return 0;
    }
    if (context.sampleRate !== rate) return 0;
    const node = context.createScriptProcessor(WEB_AUDIO_FRAMES, 0, channels);
    const state = { context: context, node: node, rendered: 0, starts: [] };
    node.onaudioprocess = function (event) {
      const out = event.outputBuffer;
      const count = out.length;
      const pointer = _web_audio_render(count);
      const left = out.getChannelData(0), right = out.getChannelData(1);
      if (!pointer) {
        left.fill(0);
        right.fill(0);
        return;
      }
      const samples = HEAP16.subarray(pointer >> 1, (pointer >> 1) + count * 2);
      for (let i = 0; i < count; ++i) {
        left[i] = samples[2 * i] / 32768;
        right[i] = samples[2 * i + 1] / 32768;
      }
      state.starts.push(event.playbackTime - state.rendered / context.sampleRate);
      if (state.starts.length > WEB_AUDIO_MARKS) state.starts.shift();
      state.rendered += count;
    };
    webAudio = state;
    return 1;
  },

  web_audio_start__deps: ["$webAudio"],
  web_audio_start: function () {
    if (webAudio) webAudio.node.connect(webAudio.context.destination);
  },

  web_audio_close__deps: ["$webAudio"],
  web_audio_close: function () {
    if (!webAudio) return;
    webAudio.node.onaudioprocess = null;
    webAudio.node.disconnect();
    webAudio = null;
  },

  // The frame heard now: the context time at the speaker (its output timestamp, moved on
  // to this instant) from where the music's first frame plays; negative before it.
  web_audio_heard_frame__deps: ["$webAudio"],
  web_audio_heard_frame: function () {
    const state = webAudio;
    if (!state || state.starts.length === 0) return 0;
    const context = state.context;
    let now;
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0)
      now = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    else
      now = context.currentTime - (context.outputLatency || context.baseLatency || 0);
    return (now - Math.min.apply(null, state.starts)) * context.sampleRate;
  },
});
