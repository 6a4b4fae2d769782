#include "ScriptCheck.h"

#include <memory>

#include "duktape.h"

namespace {

struct HeapDeleter {
    void operator()(duk_context* context) const { duk_destroy_heap(context); }
};

}  // namespace

std::string scriptSyntaxError(const std::string& script, const std::string& name) {
    std::unique_ptr<duk_context, HeapDeleter> heap(duk_create_heap_default());
    duk_context* context = heap.get();
    size_t skip = script.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // the player skips a byte order mark too
    duk_push_string(context, name.c_str());
    if (duk_pcompile_lstring_filename(context, 0, script.data() + skip, script.size() - skip) == 0) return std::string();
    duk_get_prop_string(context, -1, "lineNumber");
    long line = static_cast<long>(duk_get_int_default(context, -1, 0));
    duk_pop(context);
    // The message names the line again as "(line N)"; the prefix says it already.
    std::string message = duk_safe_to_string(context, -1);
    std::string::size_type suffix = message.rfind(" (line ");
    if (suffix != std::string::npos && message.back() == ')') message.erase(suffix);
    if (message.find("source decode failed") != std::string::npos)
        message = "SyntaxError: the script is not UTF-8 text; save it as UTF-8";
    return name + ":" + std::to_string(line) + ": " + message;
}
