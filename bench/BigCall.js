// A 1 MB string handed to the host and answered back whole (normalizePath
// keeps a path holding ':' as it is), 10 times, timed inside the movie.
trace("bench: first trace");
var big = "Z:" + new Array(1024 * 1024 - 1).join("x");
var start = new Date().getTime();
var length = 0;
for (var i = 0; i < 10; i++) length += ExternalInterface.call("normalizePath", big).length;
trace("bench: big calls " + length + " chars ms " + (new Date().getTime() - start));
