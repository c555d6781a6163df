// The page's audio output for music/web_audio.cpp: a script node that asks the player
// for samples, and the audio context's output timestamp for what is heard now.
mergeInto(LibraryManager.library, {
  // Frames a request asks for: about 46 ms, the page's thread renders them in well under 1 ms.
  $WEB_AUDIO_FRAMES: 2048,
  // Requests remembered for the clock: context time at which each starts, and its first frame.
  $WEB_AUDIO_MARKS: 16,
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
    const state = { context: context, node: node, rendered: 0, marks: [] };
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
      state.marks.push([event.playbackTime, state.rendered]);
      if (state.marks.length > WEB_AUDIO_MARKS) state.marks.shift();
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
  // to this instant), through the request that plays then.
  web_audio_heard_frame__deps: ["$webAudio"],
  web_audio_heard_frame: function () {
    const state = webAudio;
    if (!state || state.marks.length === 0) return 0;
    const context = state.context;
    let now;
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0)
      now = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    else
      now = context.currentTime - (context.outputLatency || context.baseLatency || 0);
    let mark = state.marks[0];
    if (now < mark[0]) return mark[1];
    for (const candidate of state.marks) if (candidate[0] <= now) mark = candidate;
    return mark[1] + (now - mark[0]) * context.sampleRate;
  },
});
