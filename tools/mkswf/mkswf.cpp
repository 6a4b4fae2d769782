// mkswf: builds a movie file from a script.
//   mkswf [options] -o OUTPUT.swf [SCRIPT.js]
// Without SCRIPT the movie has no script tag. The movie records the script's
// file name, which errors and the debugger name it by. A script that does not
// compile fails the build with its file, line and column, and leaves OUTPUT
// as it was.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "SwfWriter.h"
#include "player/ScriptSyntax.h"
#include "player/ScriptValues.h"
#include "tbx/FileUtil.h"
#include "tbx/PathString.h"

namespace {

const char* const kUsage =
    "usage: mkswf [options] -o OUTPUT.swf [SCRIPT.js]\n"
    "Builds a movie for the stand-in player from a script (UTF-8 JavaScript).\n"
    "  -o FILE           the movie to write (replaced whole, or left as it was on failure)\n"
    "  --width N         stage width in pixels (550)\n"
    "  --height N        stage height in pixels (400)\n"
    "  --rate R          frames per second, may have a fraction (24)\n"
    "  --frames N        frame count (1)\n"
    "  --version N       SWF version byte (10)\n"
    "  --background HEX  stage colour RRGGBB (FFFFFF)\n"
    "  --as3             set the ActionScript 3 flag of the FileAttributes tag\n"
    "  --no-attributes   write no FileAttributes tag\n"
    "  --compress        write a zlib-compressed (CWS) movie\n"
    "  --help            print this text\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A script that does not compile; the message names its file and line.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HelpAsked {};

long parseNumber(const std::string& text, long low, long high, int base = 10) {
    char* end = nullptr;
    long value = strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || value < low || value > high) throw UsageError("bad number: " + text);
    return value;
}

// Written beside the target and then put in its place, so a player that
// reloads the movie when it changes never reads half a file, and a failed
// write leaves the last movie as it was.
void writeMovie(const std::string& path, const std::string& bytes) {
    std::string partial = path + ".partial";
    try {
        tbx::write_file(partial, bytes);
    } catch (...) {
        DeleteFileA(partial.c_str());
        throw;
    }
    if (!MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(partial.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

int run(int argc, char** argv) {
    SwfOptions options;
    std::string output, scriptPath;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h" || arg == "/?")
            throw HelpAsked();
        else if (arg == "--width")
            options.width = static_cast<int>(parseNumber(value(), 0, 0xFFFFFF / 20));
        else if (arg == "--height")
            options.height = static_cast<int>(parseNumber(value(), 0, 0xFFFFFF / 20));
        else if (arg == "--rate") {
            std::string text = value();
            char* end = nullptr;
            options.frameRate = strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || options.frameRate < 0 || options.frameRate >= 256)
                throw UsageError("bad frame rate: " + text);
        } else if (arg == "--frames")
            options.frameCount = static_cast<uint16_t>(parseNumber(value(), 0, 0xFFFF));
        else if (arg == "--version")
            options.version = static_cast<uint8_t>(parseNumber(value(), 1, 255));
        else if (arg == "--background") {
            std::string text = value();
            if (text.size() != 6) throw UsageError("bad colour: " + text);
            options.backgroundColor = static_cast<uint32_t>(parseNumber(text, 0, 0xFFFFFF, 16));
        } else if (arg == "--as3")
            options.actionScript3 = true;
        else if (arg == "--no-attributes")
            options.fileAttributes = false;
        else if (arg == "--compress")
            options.compressed = true;
        else if (arg == "-o")
            output = value();
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError("unknown option " + arg);
        else if (scriptPath.empty())
            scriptPath = arg;
        else
            throw UsageError("more than one script given");
    }
    if (output.empty()) throw UsageError("no output file given (-o)");
    if (options.actionScript3 && !options.fileAttributes) throw UsageError("--as3 needs the FileAttributes tag");
    options.script = !scriptPath.empty();
    options.scriptName = player::ansiToUtf8(tbx::file_name_of(scriptPath));
    std::string script = options.script ? tbx::read_file(scriptPath) : std::string();
    std::string syntaxError = options.script ? player::scriptSyntaxError(script, scriptPath) : std::string();
    if (!syntaxError.empty()) throw ScriptError(syntaxError);
    writeMovie(output, buildSwf(options, script));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const HelpAsked&) {
        fputs(kUsage, stdout);
        return 0;
    } catch (const ScriptError& e) {
        fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const UsageError& e) {
        fprintf(stderr, "mkswf: %s\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        fprintf(stderr, "mkswf: %s\n", e.what());
        return 1;
    }
}
