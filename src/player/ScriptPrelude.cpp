#include "player/ScriptPrelude.h"

namespace player {

const char* const kScriptPrelude = R"JS(
(function (n, g) {
  'use strict';
  var callbacks = {};
  var timers = {};
  var nextTimer = 1;
  // Builtins the prelude relies on, taken before any movie code can replace
  // them: the value lists the host reads must be what the prelude made.
  var call = Function.prototype.call;
  var slice = call.bind(Array.prototype.slice);
  var isArray = Array.isArray, keysOf = Object.keys, setPrototype = Object.setPrototypeOf;
  var Text = String, Failure = Error, Num = Number, Bool = Boolean;
  // What the host names when a timer's function runs past the time limit.
  n.timerFunction = '';

  // An array no movie code can reach through its prototype (no inherited
  // setters); filled by index, not with push, which a movie can replace.
  function bareList() { var list = []; setPrototype(list, null); return list; }
  function add(list, v) { list[list.length] = v; }

  // A value as a flat token list the host reads without running script code:
  // 'u' undefined, 'N' null, 's' text, 'n' number, 'b' boolean,
  // 'a' count items..., 'o' count (key value)...
  function flatten(value) {
    var out = bareList();
    var open = bareList();
    function walk(v, depth) {
      if (depth > 64) throw new Failure('value nested too deeply');
      if (v === undefined || typeof v === 'function') { add(out, 'u'); return; }
      if (v === null) { add(out, 'N'); return; }
      switch (typeof v) {
        case 'string': add(out, 's'); add(out, v); return;
        case 'number': add(out, 'n'); add(out, v); return;
        case 'boolean': add(out, 'b'); add(out, v); return;
      }
      // A replaced valueOf may answer another wrapper: it counts as a level.
      if (v instanceof Text || v instanceof Num || v instanceof Bool) { walk(v.valueOf(), depth + 1); return; }
      var i;
      for (i = 0; i < open.length; i++) if (open[i] === v) throw new Failure('cyclic value');
      add(open, v);
      if (isArray(v)) {
        var length = v.length;
        add(out, 'a'); add(out, length);
        for (i = 0; i < length; i++) walk(v[i], depth + 1);
      } else {
        var keys = keysOf(v);
        add(out, 'o'); add(out, keys.length);
        for (i = 0; i < keys.length; i++) { add(out, keys[i]); walk(v[keys[i]], depth + 1); }
      }
      open.length--;
    }
    walk(value, 0);
    return out;
  }

  function text(v, fallback) { return v === undefined || v === null ? fallback : Text(v); }
  function rgb(v) { return (Number(v) || 0) >>> 0; }
  function num(v) { v = Number(v); return isFinite(v) ? v : 0; }

  g.trace = function () {
    n.trace(slice(arguments).map(function (a) { return Text(a); }).join(' '));
  };

  // console writes to the trace output too, each line after its level; it
  // shows objects and arrays as JSON and errors with their stack.
  var stringify = JSON.stringify, now = Date.now;
  function shown(v) {
    if (typeof v === 'string') return v;
    if (v instanceof Failure) return Text(v.stack || v);
    if (v !== null && typeof v === 'object') {
      try { var json = stringify(v); if (json !== undefined) return json; } catch (e) {}
    }
    return Text(v);
  }
  function line(values) { return slice(values).map(shown).join(' '); }
  function write(level, values) { n.trace(level + line(values)); }
  var started = {};
  function timerKey(label) { return '#' + text(label, 'default'); }
  g.console = {
    log: function () { write('', arguments); },
    info: function () { write('info: ', arguments); },
    warn: function () { write('warning: ', arguments); },
    error: function () { write('error: ', arguments); },
    assert: function (condition) {
      if (!condition) n.trace('error: assertion failed' + (arguments.length > 1 ? ': ' + line(slice(arguments, 1)) : ''));
    },
    time: function (label) { started[timerKey(label)] = now(); },
    timeEnd: function (label) {
      var key = timerKey(label);
      if (!started.hasOwnProperty(key)) { n.trace('warning: no timer named ' + key.slice(1)); return; }
      n.trace(key.slice(1) + ': ' + (now() - started[key]) + ' ms');
      delete started[key];
    },
    trace: function () {
      // The frames below this function's own, one "    at" line each.
      var frames = Text(new Failure().stack).split('\n').slice(2).join('\n');
      n.trace('trace: ' + line(arguments) + (frames ? '\n' + frames : ''));
    }
  };

  // A finalizer's error is reported as every entry's is; the original
  // function is what Duktape.fin(o) answers.
  var fin = g.Duktape.fin, original = n.originalKey;
  // Made apart from the object, so that no reference cycle keeps it alive.
  function guard(finalizer) {
    var guarded = function (o, heapDestruct) {
      try { return finalizer.call(this, o, heapDestruct); } catch (e) { n.finalizerFailed(e); }
    };
    guarded[original] = finalizer;
    return guarded;
  }
  g.Duktape.fin = function (object, finalizer) {
    if (arguments.length < 2) { var set = fin(object); return set && set[original] || set; }
    return fin(object, typeof finalizer === 'function' ? guard(finalizer) : finalizer);
  };
  g.fscommand = function (command, args) { n.fscommand(text(command, ''), text(args, '')); };

  g.ExternalInterface = {
    available: true,
    call: function (name) {
      var answer = n.call(Text(name), flatten(slice(arguments, 1)));
      if (!answer[0]) throw new Failure(answer[1]);
      return answer[1];
    },
    addCallback: function (name, fn) {
      if (typeof fn !== 'function') throw new TypeError('addCallback needs a function');
      callbacks[Text(name)] = fn;
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
  g.setTimeout = function (fn, delay) { return addTimer(fn, delay, slice(arguments, 2), false); };
  g.setInterval = function (fn, delay) { return addTimer(fn, delay, slice(arguments, 2), true); };
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
    n.timerFunction = Text(t.fn.name || 'anonymous');
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
