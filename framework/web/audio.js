// The show's music in the page: pieces of the module rendered by the
// WebAssembly side (framework/web/music.cpp) are scheduled as
// AudioBufferSourceNodes back to back on the audio clock, about a second
// ahead of what is heard. Linked with --pre-js, so `Module` is the show's.
//
//   Module.orvAudio.start()   resume the AudioContext; call it from a click or key handler
//   Module.orvAudio.renderOffline(path, frames) -> Promise of {left, right}: the same
//       scheduling into an OfflineAudioContext, from a fresh copy of the module
//
// Times are kept on a grid of 1/128 s (375 frames at 48 kHz): such times and
// their sums are exact in binary, so every piece starts on a whole sample
// frame and the pieces join without a gap, an overlap or interpolation.
Module['orvAudio'] = (function () {
  'use strict';
  var RATE = 48000;
  var PIECE = 3000;        // frames in one AudioBuffer: 1/16 s
  var GRID = 128;          // piece start times are multiples of 1/GRID s
  var MARGIN = 0.05;       // seconds between scheduling a new start and its sound
  var FIRST_LEAD = 0.2;    // seconds queued at once after a start or a skip
  var LEAD = 1.5;          // seconds kept queued (a hidden tab pumps once a second)
  var PUMP_MS = 40;
  var STALE_MS = 60;       // an output timestamp older than this is not used

  var context = null;      // the page's AudioContext, made with the first music
  var players = {};
  var nextId = 1;

  function liveContext() {
    if (context === null) {
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context)
        return null;
      try {
        context = new Context({ sampleRate: RATE, latencyHint: 'playback' });
      } catch (e) {
        return null;
      }
    }
    return context;
  }

  // Plays one source (a MusicSource of music.cpp) into `ctx`.
  function Player(ctx, source, live) {
    this.ctx = ctx;
    this.source = source;
    this.live = live;
    this.nodes = [];
    this.heardBefore = 0;  // ms heard in earlier runs (before the latest skip)
    this.lastHeard = 0;
    this.held = false;
    this.latency = 0;      // seconds from currentTime to the speakers, as last measured
    this.begin(0);
  }

  // A new run of pieces from the source's current position.
  Player.prototype.begin = function (earliest) {
    var start = Math.max(earliest, this.ctx.currentTime + (this.live ? MARGIN : 0));
    this.base = Math.ceil(start * GRID) / GRID;
    this.queued = 0;       // frames scheduled since base
  };

  Player.prototype.end = function () {
    return this.base + this.queued / RATE;
  };

  // Renders and schedules pieces until `lead` seconds after now are covered.
  Player.prototype.fill = function (until) {
    while (this.end() < until) {
      var planar = Module['_orv_music_source_fill'](this.source, PIECE) >> 2;
      var buffer = this.ctx.createBuffer(2, PIECE, RATE);
      buffer.copyToChannel(HEAPF32.subarray(planar, planar + PIECE), 0);
      buffer.copyToChannel(HEAPF32.subarray(planar + PIECE, planar + 2 * PIECE), 1);
      var node = this.ctx.createBufferSource();
      node.buffer = buffer;
      node.connect(this.ctx.destination);
      node.start(this.end());
      this.queued += PIECE;
      if (this.live) {
        var nodes = this.nodes;
        nodes.push(node);
        node.onended = function () {
          var i = nodes.indexOf(this);
          if (i >= 0)
            nodes.splice(i, 1);
        };
      }
    }
  };

  Player.prototype.pump = function () {
    var now = this.ctx.currentTime;
    if (this.end() < now + MARGIN / 2) {
      // Fell behind (the page was busy): carry on from here, the music a little later.
      this.heardBefore = this.heard();
      this.begin(0);
      this.fill(this.base + FIRST_LEAD);
    }
    this.fill(now + LEAD);
  };

  // Seconds on the audio clock at the speakers now: the output timestamp,
  // moved on by the page clock since it was taken. While the context is held
  // the clock stands at currentTime less the output's latency, where a resumed
  // context plays on from; a stale timestamp (just after a resume, or on a busy
  // page) gives way to currentTime less the latency last measured.
  Player.prototype.outputTime = function () {
    var ctx = this.ctx;
    if (!ctx.getOutputTimestamp)
      return ctx.currentTime;
    if (ctx.state === 'running') {
      var stamp = ctx.getOutputTimestamp();
      var age = performance.now() - stamp.performanceTime;
      if (stamp.contextTime > 0 && age >= 0 && age < STALE_MS) {
        var t = stamp.contextTime + age / 1000;
        t = Math.min(t, ctx.currentTime);
        this.latency = ctx.currentTime - t;
        return t;
      }
    }
    var latency = ctx.state !== 'running' && ctx.outputLatency > 0 ? ctx.outputLatency : this.latency;
    return Math.max(ctx.currentTime - latency, 0);
  };

  Player.prototype.heard = function () {
    var run = Math.min(Math.max(this.outputTime() - this.base, 0), this.queued / RATE);
    var ms = this.heardBefore + run * 1000;
    this.lastHeard = Math.max(this.lastHeard, ms);
    return this.lastHeard;
  };

  Player.prototype.stopAll = function () {
    for (var i = 0; i < this.nodes.length; ++i) {
      this.nodes[i].onended = null;
      try { this.nodes[i].stop(); } catch (e) { }
      this.nodes[i].disconnect();
    }
    this.nodes = [];
  };

  // The source moved (music.cpp has repositioned it): drop what is queued, start anew.
  Player.prototype.restart = function () {
    this.heardBefore = this.heard();
    this.stopAll();
    this.begin(0);
    this.fill(this.base + FIRST_LEAD);
  };

  function pumpAll() {
    for (var id in players)
      if (!players[id].held)
        players[id].pump();
  }
  var timer = null;

  return {
    open: function (source) {
      var ctx = liveContext();
      if (ctx === null)
        return 0;
      var id = nextId++;
      players[id] = new Player(ctx, source, true);
      players[id].fill(players[id].base + FIRST_LEAD);
      if (timer === null)
        timer = setInterval(pumpAll, PUMP_MS);
      return id;
    },
    close: function (id) {
      if (!players[id])
        return;
      players[id].stopAll();
      delete players[id];
      if (Object.keys(players).length === 0 && timer !== null) {
        clearInterval(timer);
        timer = null;
      }
    },
    restart: function (id) {
      if (players[id])
        players[id].restart();
    },
    // Holding suspends the whole context: the queued pieces and the clock stop where they are.
    pause: function (id, held) {
      var p = players[id];
      if (!p || p.held === !!held)
        return;
      p.held = !!held;
      if (held)
        p.ctx.suspend();
      else
        p.ctx.resume().then(function () { p.pump(); });
    },
    heard: function () {
      for (var id in players)
        return players[id].heard();
      return -1;
    },
    start: function () {
      var ctx = liveContext();
      var held = false;
      for (var id in players)
        held = held || players[id].held;
      if (ctx !== null && !held)
        return ctx.resume();
      return Promise.resolve();
    },
    renderOffline: function (path, frames) {
      var bytes = new TextEncoder().encode(path);
      var name = Module['_orv_music_path_buffer'](bytes.length + 1);
      HEAPU8.set(bytes, name);
      HEAPU8[name + bytes.length] = 0;
      var source = Module['_orv_music_source_open'](name);
      if (!source)
        return Promise.reject(new Error(path + ': cannot be played'));
      var ctx = new OfflineAudioContext(2, frames, RATE);
      var player = new Player(ctx, source, false);
      player.fill(frames / RATE);
      Module['_orv_music_source_close'](source);
      return ctx.startRendering().then(function (buffer) {
        return { left: buffer.getChannelData(0), right: buffer.getChannelData(1) };
      });
    },
  };
})();
