// A launcher: it lists the programs in "apps" beside the program and starts
// the selected one with Enter. Launcher.xml makes "apps" the trusted folder,
// so those start without a question; a program from anywhere else (F2 asks
// for one with the file dialog) starts only when the user says yes.
// FlashVars "run=PATH" starts PATH at once, as F2 would.
//   mkswf --width 640 --height 480 -o Launcher.swf Launcher.js

var BACKGROUND = 0x102030, TEXT = 0xF0F0F0, DIM = 0x90A0B0, SELECTED = 0x406080;

function host(name) {
    var answer = ExternalInterface.call.apply(ExternalInterface, arguments);
    if (answer !== null && typeof answer === "object" && answer.type === "error")
        throw new Error(name + ": " + answer.message);
    return answer;
}

var apps = host("getAppPath", true) + "apps\\";
var programs = [];
var selected = 0;
var status = "";

function start(path) {
    var ended = host("execAndWait", "\"" + path + "\"", 10000, false);
    status = (ended ? "ran " : "did not run (declined or failed) ") + path;
    trace("launcher: " + status);
    draw();
}

function draw() {
    graphics.clear();
    graphics.fillRect(0, 0, stage.width, stage.height, BACKGROUND);
    graphics.drawText(20, 14, "Programs in " + apps + "  (Enter starts, F2 another)", DIM, 14);
    for (var i = 0; i < programs.length; ++i) {
        if (i === selected) graphics.fillRect(12, 44 + i * 24, stage.width - 24, 22, SELECTED);
        graphics.drawText(20, 46 + i * 24, programs[i], TEXT, 14);
    }
    graphics.drawText(20, stage.height - 30, status, DIM, 14);
}

ExternalInterface.addCallback("onExtKeyDown", function (key) {
    if (key === 38 && selected > 0) --selected;
    else if (key === 40 && selected < programs.length - 1) ++selected;
    else if (key === 13 && programs.length) start(apps + programs[selected]);
    else if (key === 113) {
        var chosen = host("fileDialog", true, "exe", null, 0x8000E, "Programs (*.exe)|*.exe||");
        if (chosen) start(chosen.path);
    }
    draw();
});
ExternalInterface.addCallback("onExtClose", function () { host("closeApp"); });

programs = host("directoryExists", apps) ? host("getFileNames", apps, ["*.exe"]) : [];
trace("launcher: " + programs.length + " programs: " + programs.join(", "));
host("setWindowTitle", "Launcher");
host("wantExtEvents");
draw();
if (flashVars.first && programs.length) start(apps + programs[0]);
if (flashVars.run) start(flashVars.run);
if (flashVars.quit) host("closeApp");
