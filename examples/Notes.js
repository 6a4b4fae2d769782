// A notes app that keeps its note and its settings in its own data folder.
// Notes.xml is the policy it ships with: the movie may read and write only
// "data" beside the program, so its attempt to write anywhere else fails.
// Letters, digits and Space type, Backspace deletes, Enter saves.
//   mkswf --width 640 --height 480 -o Notes.swf Notes.js

var BACKGROUND = 0xFFF8E1, TEXT = 0x333333, DIM = 0x8D7B5A;

function host(name) {
    var answer = ExternalInterface.call.apply(ExternalInterface, arguments);
    if (answer !== null && typeof answer === "object" && answer.type === "error")
        throw new Error(name + ": " + answer.message);
    return answer;
}

var data = host("getAppPath", true) + "data\\";
var notePath = data + "note.txt", settingsPath = data + "settings.json";
var settings = { runs: 0, fontSize: 18 };
var note = "";

function loadAll() {
    if (!host("directoryExists", data)) host("createDirectory", data);
    if (host("fileExists", settingsPath)) settings = JSON.parse(host("loadTextFile", settingsPath, "UTF-8"));
    if (host("fileExists", notePath)) note = host("loadTextFile", notePath, "UTF-8");
}

function saveAll() {
    host("saveTextFile", settingsPath, JSON.stringify(settings), "UTF-8");
    host("saveTextFile", notePath, note, "UTF-8");
    trace("notes: saved " + note.length + " characters");
}

function draw() {
    graphics.clear();
    graphics.fillRect(0, 0, stage.width, stage.height, BACKGROUND);
    graphics.drawText(20, 16, "Notes (run " + settings.runs + ", Enter saves)", DIM, 14);
    graphics.drawText(20, 50, note + "_", TEXT, settings.fontSize);
}

ExternalInterface.addCallback("onExtKeyDown", function (key) {
    if (key === 13) saveAll();
    else if (key === 8) note = note.substring(0, note.length - 1);
    else if (key === 32) note += " ";
    else if ((key >= 48 && key <= 57) || (key >= 65 && key <= 90)) note += String.fromCharCode(key).toLowerCase();
    draw();
});
ExternalInterface.addCallback("onExtClose", function () {
    saveAll();
    host("closeApp");
});

loadAll();
settings.runs += 1;
if (flashVars.add) note += flashVars.add;
trace("notes: run " + settings.runs + ", note \"" + note + "\"");
try {
    host("saveTextFile", host("getAppPath", true) + "outside.txt", "x", "UTF-8");
    trace("notes: wrote outside its folder");
} catch (e) {
    trace("notes: outside refused: " + e.message);
}
saveAll();
host("setWindowTitle", "Notes");
host("wantExtEvents");
draw();
if (flashVars.quit) host("closeApp");
