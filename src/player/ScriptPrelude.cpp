#include "player/ScriptPrelude.h"

namespace player {

const char* const kScriptPrelude = R"JS(
(function (n, g) {
  'use strict';
  var callbacks = {};
  var timers = {};
  var nextTimer = 1;
  var slice = Array.prototype.slice;
  // What the host names when a timer's function runs past the time limit.
  n.timerFunction = '';

  // A value as a flat token list the host reads without running script code:
  // 'u' undefined, 'N' null, 's' text, 'n' number, 'b' boolean,
  // 'a' count items..., 'o' count (key value)...
  function flatten(value) {
    var out = [];
    var open = [];
    function walk(v, depth) {
      if (depth > 64) throw new Error('value nested too deeply');
      if (v === undefined || typeof v === 'function') { out.push('u'); return; }
      if (v === null) { out.push('N'); return; }
      switch (typeof v) {
        case 'string': out.push('s', v); return;
        case 'number': out.push('n', v); return;
        case 'boolean': out.push('b', v); return;
      }
      if (v instanceof String || v instanceof Number || v instanceof Boolean) { walk(v.valueOf(), depth); return; }
      if (open.indexOf(v) >= 0) throw new Error('cyclic value');
      open.push(v);
      var i;
      if (Array.isArray(v)) {
        out.push('a', v.length);
        for (i = 0; i < v.length; i++) walk(v[i], depth + 1);
      } else {
        var keys = Object.keys(v);
        out.push('o', keys.length);
        for (i = 0; i < keys.length; i++) { out.push(keys[i]); walk(v[keys[i]], depth + 1); }
      }
      open.pop();
    }
    walk(value, 0);
    return out;
  }

  function text(v, fallback) { return v === undefined || v === null ? fallback : String(v); }
  function rgb(v) { return (Number(v) || 0) >>> 0; }
  function num(v) { v = Number(v); return isFinite(v) ? v : 0; }

  g.trace = function () {
    n.trace(slice.call(arguments).map(function (a) { return String(a); }).join(' '));
  };
  g.fscommand = function (command, args) { n.fscommand(text(command, ''), text(args, '')); };

  g.ExternalInterface = {
    available: true,
    call: function (name) {
      var answer = n.call(String(name), flatten(slice.call(arguments, 1)));
      if (!answer[0]) throw new Error(answer[1]);
      return answer[1];
    },
    addCallback: function (name, fn) {
      if (typeof fn !== 'function') throw new TypeError('addCallback needs a function');
      callbacks[String(name)] = fn;
    }
  };

  function addTimer(fn, delay, args, repeat) {
    if (typeof fn !== 'function') throw new TypeError('a timer needs a function');
    var id = nextTimer++;
    timers[id] = { fn: fn, args: args, repeat: repeat };
    n.startTimer(id, Math.max(0, Math.min(num(delay), 2147483647)));
    return id;
  }
  function clearTimer(id) {
    if (timers.hasOwnProperty(id)) { delete timers[id]; n.stopTimer(Number(id)); }
  }
  g.setTimeout = function (fn, delay) { return addTimer(fn, delay, slice.call(arguments, 2), false); };
  g.setInterval = function (fn, delay) { return addTimer(fn, delay, slice.call(arguments, 2), true); };
  g.clearTimeout = clearTimer;
  g.clearInterval = clearTimer;

  var graphics = {
    clear: function () { n.clear(); },
    fillRect: function (x, y, w, h, color) { n.fillRect(num(x), num(y), num(w), num(h), rgb(color)); },
    drawText: function (x, y, t, color, size) {
      n.drawText(num(x), num(y), text(t, ''), rgb(color), size === undefined ? 12 : num(size));
    }
  };
  g.graphics = graphics;
  g.stage = {};
  Object.defineProperty(g.stage, 'width', { get: function () { return n.stageWidth(); }, enumerable: true });
  Object.defineProperty(g.stage, 'height', { get: function () { return n.stageHeight(); }, enumerable: true });
  Object.defineProperty(g.stage, 'frameRate', { get: function () { return n.frameRate(); }, enumerable: true });
  Object.defineProperty(g.stage, 'backgroundColor', {
    get: function () { return n.background(); },
    set: function (v) { n.setBackground(rgb(v) & 0xFFFFFF); },
    enumerable: true
  });
  g.stage.graphics = graphics;
  g.flashVars = n.flashVars;

  // The host offers keyboard messages to the movie before it handles them.
  var keyHandler = null;
  g.Key = {
    setAcceleratorHandler: function (fn) {
      if (fn !== null && fn !== undefined && typeof fn !== 'function')
        throw new TypeError('setAcceleratorHandler needs a function or null');
      keyHandler = fn || null;
    }
  };

  // Entry points of the host.
  n.fireTimer = function (id) {
    var t = timers[id];
    if (!t) return false;
    if (!t.repeat) clearTimer(id);
    n.timerFunction = String(t.fn.name || 'anonymous');
    t.fn.apply(g, t.args);
    return true;
  };
  n.translateKey = function (keyCode, type, modifiers) {
    return keyHandler !== null && keyHandler.call(g, keyCode, type, modifiers) === true;
  };
  n.invokeCallback = function (name, args) {
    if (!callbacks.hasOwnProperty(name)) throw new Error('no callback named ' + name);
    return flatten(callbacks[name].apply(g, args));
  };
})
)JS";

}  // namespace player
