// Memory: after a pause (the idle program is measured then), the movie hands
// the host a 10 MB string (saved to a file) and gets it back (loaded again).
trace("bench: first trace");
setTimeout(function () {
    var big = new Array(10 * 1024 * 1024 + 1).join("x");
    var path = ExternalInterface.call("getTempPath") + "movara-bench-big.txt";
    var saved = ExternalInterface.call("saveTextFile", path, big, "Shift_JIS");
    var back = ExternalInterface.call("loadTextFile", path, "Shift_JIS");
    trace("bench: round trip " + (typeof back === "string" ? back.length : JSON.stringify(back)) +
          (saved ? " " + JSON.stringify(saved) : ""));
}, 2000);
