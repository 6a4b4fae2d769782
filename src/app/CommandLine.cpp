#include "app/CommandLine.h"

#include <shellapi.h>

#include <algorithm>

#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

std::vector<std::string> commandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    // Freed also when a conversion throws.
    tbx::LocalMemory block(wide);
    for (int i = 0; i < count; ++i)
        arguments.push_back(wideToMultiByte(reinterpret_cast<const char16_t*>(wide[i]), CP_ACP));
    return arguments;
}

std::string moviePathFrom(const std::vector<std::string>& arguments) {
    return arguments.size() > 1 ? arguments[1] : std::string("Ovara.swf");
}

WindowGeometry windowGeometryFrom(const std::vector<std::string>& arguments, const RECT& workArea) {
    WindowGeometry geometry;
    int areaWidth = workArea.right - workArea.left;
    int areaHeight = workArea.bottom - workArea.top;
    geometry.width = std::min(geometry.width, areaWidth);
    geometry.height = std::min(geometry.height, areaHeight);

    bool hidden = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "/wmax") {
            geometry.width = areaWidth;
            geometry.height = areaHeight;
            geometry.x = workArea.left;
            geometry.y = workArea.top;
            geometry.positioned = true;
        } else if (arguments[i] == "/h") {
            hidden = true;
        }
    }
    if (hidden) {
        geometry.x = -geometry.width;
        geometry.y = 0;
        geometry.positioned = true;
    }
    return geometry;
}
