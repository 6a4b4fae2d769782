// The stand-in player's own cost of a script's call out to its host: the
// player hosted in a dialog whose answer to every call is ready at once, so
// what is timed is the script, the player's value XML both ways and the COM
// crossing. scripts/bench.sh times the same calls inside movara.exe.
#include <windows.h>

#include <string>

#include "BenchFiles.h"
#include "BenchPairs.h"
#include "PlayerHarness.h"
#include "tbx/TextConversion.h"

namespace {

const int kCalls = 10000;
const int kBigCalls = 10;
const size_t kBigLength = 1024 * 1024;

// The movie's callbacks make `n` calls in a loop, as Startup.js and
// BigCall.js do in movara.exe.
const char kMovie[] = R"(
var big = "Z:" + new Array(1024 * 1024 - 1).join("x");
ExternalInterface.addCallback("calls", function (n) {
    for (var i = 0; i < n; i++) ExternalInterface.call("getAppPath");
    return n;
});
ExternalInterface.addCallback("bigCalls", function (n) {
    var length = 0;
    for (var i = 0; i < n; i++) length += ExternalInterface.call("normalizePath", big).length;
    return length;
});
)";

std::string invokeOf(const char* callback, int count) {
    return std::string("<invoke name=\"") + callback + "\" returntype=\"xml\"><arguments><number>" +
           std::to_string(count) + "</number></arguments></invoke>";
}

// Plays the movie in a hosted player that answers every call with `answer`,
// and times the callback's loop of `count` calls.
void timeCalls(benchmark::State& state, const char* callback, int count, const std::string& answer) {
    PlayerThreadSetup setup;
    PlayerDialog dialog;
    if (!dialog.Create()) return state.SkipWithError("the player dialog was not created");
    dialog.onFlashCall = [&](const std::string&, std::string& reply) {
        dialog.flashCalls.clear();  // the harness keeps every invoke text
        reply = answer;
        return true;
    };
    const std::string movie = writeMovie(bench::dataFolder() + "player-calls.swf", kMovie);
    if (!dialog.play(movie)) return state.SkipWithError("the movie did not load");
    const std::string invoke = invokeOf(callback, count);
    for (auto _ : state) {
        std::string result = dialog.callFunction(invoke);
        benchmark::DoNotOptimize(result.data());
    }
    dialog.DestroyWindow();
}

void smallCalls(benchmark::State& state) { timeCalls(state, "calls", kCalls, "<string>Z:\\movara\\bin\\</string>"); }

void bigCalls(benchmark::State& state) {
    timeCalls(state, "bigCalls", kBigCalls, "<string>Z:" + std::string(kBigLength - 2, 'x') + "</string>");
}

const bool registered = [] {
    benchmark::RegisterBenchmark(bench::pairName("movie calls the host", "10000 calls", "floor"), smallCalls)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(bench::pairName("movie passes 1 MB to the host", "10 calls", "floor"), bigCalls)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

}  // namespace
