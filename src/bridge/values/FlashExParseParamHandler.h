#pragma once
#include <memory>
#include <string>
#include <vector>

#include "bridge/values/EasySaxHandler.h"

#include "bridge/values/FlashExParam.h"

// Builds FlashExParam values from value XML. Values outside any container are
// roots, owned by the handler until released.
class FlashExParseParamHandler : public EasySaxHandler {
public:
    // Containers may nest this deep; deeper texts are refused (FlashExXmlRefused),
    // since destroying and writing values recurses once per level.
    static const size_t kMaxDepth = 1000;

    FlashExParseParamHandler();
    ~FlashExParseParamHandler() override;

    void startElement(const Text& name, const Attributes& attributes) final;
    void characters(const Text& text) override;
    void endElement(const Text& name) final;

    // The first root value, handed to the caller; null when there was none.
    ParamPtr releaseFirstRoot();

protected:
    enum TextMode { kNoText = 0, kStringText = 2, kNumberText = 3, kInArray = 4, kInObject = 5 };
    // The elements of value XML and of an invoke text, told apart once per tag.
    enum class Element { Other, Array, Object, String, Number, Property, True, False, Null, Invoke, Arguments };
    static Element elementOf(const Text& name);

    // A start tag of a value; a subclass adds the elements around the values.
    virtual void startValueElement(Element element, const Attributes& attributes);

    // Appends value to the open container, or keeps it as a root.
    // Stores value in the open container or as a root; answers where it went.
    FlashExParam* add(ParamPtr value);
    // Makes container (already added or owned elsewhere) receive the following values.
    void openContainer(FlashExParam* container, TextMode kind);

private:
    void addNumber(const std::string& text);
    void appendStringText(const Text& text);
    void reserveLongString();
    void finishString();

    TextMode textMode_ = kNoText;
    std::vector<TextMode> containerKinds_;
    std::string propertyId_;
    std::vector<FlashExParam*> openContainers_;  // owned by their parents, the roots or the request
    std::vector<ParamPtr> roots_;
    // The text of the open string element and the number of pieces it came in.
    std::string stringText_;
    size_t stringPieces_ = 0;
    // The text of the open number element, read when the element ends.
    std::string numberText_;
    // Narrow bytes of all string text so far, and whether the open string was
    // reserved for the rest of the source.
    size_t stringBytesSeen_ = 0;
    bool stringReserved_ = false;
};

// Number texts read the way the C runtime's strtol (base 10, saturating at
// the 32-bit limits) and atof read them, independent of the C locale.
int parseIntText(const std::string& text);
double parseDoubleText(const std::string& text);
