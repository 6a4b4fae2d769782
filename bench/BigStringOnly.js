// The movie's own share of the memory measurement: the same 10 MB string is
// built, with no call to the host.
trace("bench: first trace");
setTimeout(function () {
    var big = new Array(10 * 1024 * 1024 + 1).join("x");
    trace("bench: round trip none " + big.length);
}, 2000);
