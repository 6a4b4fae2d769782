// Ovara: the demo movie that Movara plays when started without arguments.
// It asks the host for what it can tell about itself, shows it on the stage
// and in trace lines, and reports the window's key, mouse and close events.

var WHITE = 0xFFFFFF, GREY = 0xA8B4C0, ACCENT = 0xF0B040, PANEL = 0x28384A, BACKGROUND = 0x1E2A38;
var info = [];
var events = [];

function host(name, argument) {
    var answer = arguments.length > 1 ? ExternalInterface.call(name, argument) : ExternalInterface.call(name);
    if (answer && answer.type === "error") throw new Error(name + ": " + answer.message);
    return answer;
}

function note(label, text) {
    info.push([label, text]);
    trace("demo: " + label + ": " + text);
}

function ask(label, how) {
    try {
        note(label, how());
    } catch (e) {
        note(label, "(" + e.message + ")");
    }
}

function rectText(r) {
    return r.left + ", " + r.top + " - " + r.right + ", " + r.bottom + " (" + (r.right - r.left) + " x " +
        (r.bottom - r.top) + ")";
}

function event(text) {
    events.unshift(text);
    if (events.length > 10) events.pop();
    trace("demo: event: " + text);
    draw();
}

function draw() {
    graphics.clear();
    graphics.fillRect(0, 0, stage.width, stage.height, BACKGROUND);
    graphics.drawText(32, 24, "Movara", ACCENT, 36);
    graphics.drawText(32, 72, "ムービーとホストをつなぐデモ", GREY, 16);
    var y = 120;
    for (var i = 0; i < info.length; ++i) {
        graphics.drawText(32, y, info[i][0], GREY, 14);
        graphics.drawText(200, y, String(info[i][1]).substring(0, 110), WHITE, 14);
        y += 24;
    }
    y += 16;
    graphics.fillRect(24, y, stage.width - 48, 28 + 22 * Math.max(events.length, 1), PANEL);
    graphics.drawText(32, y + 6, "イベント (キー、マウス、閉じる)", ACCENT, 14);
    if (events.length === 0) graphics.drawText(32, y + 30, "キーを押すか、クリックしてください。", GREY, 14);
    for (var j = 0; j < events.length; ++j) graphics.drawText(32, y + 30 + 22 * j, events[j], WHITE, 14);
}

function showWindowRect(label) {
    ask(label, function () { return rectText(host("getWindowRect")); });
}

var modifierNames = [[1, "Ctrl"], [2, "Shift"], [4, "Alt"]];
ExternalInterface.addCallback("onExtKeyDown", function (key, modifiers) {
    var held = [];
    for (var i = 0; i < modifierNames.length; ++i)
        if (modifiers & modifierNames[i][0]) held.push(modifierNames[i][1]);
    event("key " + key + (held.length ? " with " + held.join("+") : ""));
});
ExternalInterface.addCallback("onExtMouseUp", function (x, y) { event("mouse up at " + x + ", " + y); });
ExternalInterface.addCallback("onExtRButtonDown", function () {
    event("right button");
    return false;
});
ExternalInterface.addCallback("onExtDropFiles", function (files) { event("dropped " + files.join(", ")); });
ExternalInterface.addCallback("onMoveWindow", function () {
    try {
        var r = host("getWindowRect");
        trace("demo: window moved: " + rectText(r));
    } catch (e) {
    }
});
ExternalInterface.addCallback("onExtClose", function () {
    trace("demo: close requested, closing");
    host("closeApp");
});

ask("program", function () { return host("getAppPath", false); });
showWindowRect("window");
ask("folder", function () {
    var names = host("getFileNames", host("getAppPath", true));
    return names.length + " entries: " + names.join(", ");
});
ask("movie settings", function () {
    var keys = [];
    for (var k in flashVars) keys.push(k + "=" + flashVars[k]);
    return keys.length ? keys.join("&") : "(no FlashVars)";
});
host("setWindowTitle", "Movara - Ovara demo");
host("wantExtEvents");
trace("demo: ready");
draw();
