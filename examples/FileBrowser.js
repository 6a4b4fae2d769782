// A file browser with thumbnails. It lists a folder (FlashVars "folder", by
// default "pictures" beside the program, else the program's folder), makes a thumbnail of every picture
// into the folder's "thumbs" subfolder once, and shows names, sizes and
// thumbnail sizes. Up and Down move the selection, Enter opens a folder,
// Backspace goes up.
//   mkswf --width 800 --height 600 -o FileBrowser.swf FileBrowser.js

var BACKGROUND = 0x20262E, TEXT = 0xE8ECF0, DIM = 0x8A96A3, SELECTED = 0x3A6EA5, ACCENT = 0x9FD36B;
var PICTURES = /\.(png|jpe?g|gif|bmp)$/i;

// Calls a command; an error answer becomes an exception naming the command.
function host(name) {
    var answer = ExternalInterface.call.apply(ExternalInterface, arguments);
    if (answer !== null && typeof answer === "object" && answer.type === "error")
        throw new Error(name + ": " + answer.message);
    return answer;
}

// The folder asked for, or "pictures" beside the program, or the program's own.
var folder = host("getAppPath", true) + (flashVars.folder || "pictures");
if (!host("directoryExists", folder)) folder = host("getAppPath", false);
var entries = [];   // { name, isFolder, detail }
var selected = 0;

function joinPath(dir, name) { return dir.charAt(dir.length - 1) === "\\" ? dir + name : dir + "\\" + name; }

// The thumbnail of one picture, made when it is missing; its size as text.
function thumbnailOf(name) {
    var thumbs = joinPath(folder, "thumbs");
    if (!host("directoryExists", thumbs)) host("createDirectory", thumbs);
    var thumb = joinPath(thumbs, name + ".png");
    if (!host("fileExists", thumb)) host("makeThumbnail", joinPath(folder, name), thumb, 96, 96, ".png");
    var size = host("getImageSize", thumb);
    return size.w + "x" + size.h;
}

function describe(name) {
    var path = joinPath(folder, name);
    if (host("directoryExists", path)) return { name: name, isFolder: true, detail: "folder" };
    var entry = { name: name, isFolder: false, detail: host("getFileSize", path) + " bytes" };
    if (PICTURES.test(name)) {
        try {
            var size = host("getImageSize", path);
            entry.detail = size.w + "x" + size.h + ", thumbnail " + thumbnailOf(name);
        } catch (e) {
            entry.detail = e.message;
        }
    }
    return entry;
}

function load(path) {
    folder = path;
    entries = [];
    selected = 0;
    var names;
    try {
        names = host("getFileNames", folder);
    } catch (e) {
        trace("browser: " + e.message);
        names = [];
    }
    names.sort();
    for (var i = 0; i < names.length; ++i) {
        if (names[i] === "thumbs") continue;
        var entry = describe(names[i]);
        entries.push(entry);
        trace("browser: " + entry.name + ": " + entry.detail);
    }
    trace("browser: " + entries.length + " entries in " + folder);
    draw();
}

function draw() {
    graphics.clear();
    graphics.fillRect(0, 0, stage.width, stage.height, BACKGROUND);
    graphics.drawText(20, 14, folder, ACCENT, 16);
    for (var i = 0; i < entries.length; ++i) {
        var y = 50 + i * 24;
        if (i === selected) graphics.fillRect(12, y - 2, stage.width - 24, 22, SELECTED);
        graphics.drawText(20, y, (entries[i].isFolder ? "[" + entries[i].name + "]" : entries[i].name), TEXT, 14);
        graphics.drawText(360, y, entries[i].detail, DIM, 14);
    }
    if (entries.length === 0) graphics.drawText(20, 50, "(empty)", DIM, 14);
}

ExternalInterface.addCallback("onExtKeyDown", function (key) {
    if (key === 38 && selected > 0) --selected;                      // Up
    else if (key === 40 && selected < entries.length - 1) ++selected; // Down
    else if (key === 13 && entries[selected] && entries[selected].isFolder) return load(joinPath(folder, entries[selected].name));
    else if (key === 8) return load(folder.replace(/\\[^\\]+\\?$/, ""));
    draw();
});
ExternalInterface.addCallback("onExtClose", function () { host("closeApp"); });

host("setWindowTitle", "File browser");
host("wantExtEvents");
load(folder);
