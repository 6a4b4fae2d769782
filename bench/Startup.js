// Start-up and call cost: the first trace marks the end of start-up, then
// 10,000 calls of a trivial command are timed inside the movie.
trace("bench: first trace");
var start = new Date().getTime();
for (var i = 0; i < 10000; i++) ExternalInterface.call("getAppPath");
trace("bench: calls 10000 ms " + (new Date().getTime() - start));
