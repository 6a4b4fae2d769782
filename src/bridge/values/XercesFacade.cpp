#include "bridge/values/XercesFacade.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include "bridge/values/AsciiText.h"
#include "bridge/values/EasySaxHandler.h"
#include "tbx/FlashExException.h"
#include "tbx/TextConversion.h"

namespace {

// Both user-interface threads initialise the library when their dialogs are
// set up, possibly at the same time.
std::atomic<bool> xercesInitialized{false};
std::mutex initializing;

const char kUtf16Declaration[] = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n";

// The invoke and value texts come from the movie, which is not trusted, and
// never carry a document type declaration. Refusing it as soon as it is seen
// stops external DTDs, external entities (files, UNC paths, URLs) and entity
// expansion bombs before any of them is read or declared.
class GuardedSaxParser : public xercesc::SAXParser {
public:
    static const XMLSize_t kTextPieceChars = 64 * 1024;

    explicit GuardedSaxParser(xercesc::MemoryManager* memory = xercesc::XMLPlatformUtils::fgMemoryManager)
        : xercesc::SAXParser(nullptr, memory) {
        setValidationScheme(Val_Never);
        setDoNamespaces(false);
        setDoSchema(false);
        setLoadExternalDTD(false);
        setDisableDefaultEntityResolution(true);
        securityManager_.setEntityExpansionLimit(100);
        setSecurityManager(&securityManager_);
        // Hand long texts over in pieces of at most this many characters. The
        // library's own limit (a million) grows a 2 MB buffer for a long
        // string, which made a kept parser too large to keep.
        setInputBufferSize(kTextPieceChars);
        // The parser implements the document type callbacks but does not
        // register them with its scanner; without this doctypeDecl never runs.
        const_cast<xercesc::XMLScanner&>(getScanner()).setDocTypeHandler(this);
    }

    void doctypeDecl(const xercesc::DTDElementDecl&, const XMLCh* const, const XMLCh* const, const bool,
                     const bool) override {
        throw FlashExXmlRefused("document type declaration");
    }

private:
    xercesc::SecurityManager securityManager_;
};

// The memory of a kept parser. The library allocates its reader's
// buffers (about 160 KB) anew on every parse, which the heap under Wine can
// return to the system and map again each time: the last few large blocks
// freed (up to 1 MB) are kept for the next parse instead. Only the parse that
// holds the parser uses it.
class ReusingMemoryManager : public xercesc::MemoryManager {
public:
    ReusingMemoryManager() = default;
    ReusingMemoryManager(const ReusingMemoryManager&) = delete;
    ReusingMemoryManager& operator=(const ReusingMemoryManager&) = delete;
    ~ReusingMemoryManager() override {
        for (const Block& block : kept_) ::operator delete(block.memory);
    }

    // The large blocks the parser holds now; between parses, the buffers it grew.
    size_t lentBytes() const { return lentBytes_; }

    xercesc::MemoryManager* getExceptionMemoryManager() override { return xercesc::XMLPlatformUtils::fgMemoryManager; }

    void* allocate(XMLSize_t size) override {
        if (size < kLarge) return allocateFromHeap(size);
        for (size_t i = 0; i < kept_.size(); ++i) {
            if (kept_[i].size != size) continue;
            Block block = kept_[i];
            kept_.erase(kept_.begin() + i);
            keptBytes_ -= block.size;
            lent_.push_back(block);
            lentBytes_ += block.size;
            return block.memory;
        }
        void* memory = allocateFromHeap(size);
        lent_.push_back({memory, size});
        lentBytes_ += size;
        return memory;
    }

    void deallocate(void* memory) override {
        for (size_t i = 0; i < lent_.size(); ++i) {
            if (lent_[i].memory != memory) continue;
            Block block = lent_[i];
            lent_.erase(lent_.begin() + i);
            lentBytes_ -= block.size;
            if (kept_.size() < kKeptBlocks && keptBytes_ + block.size <= kKeptBytes) {
                kept_.push_back(block);
                keptBytes_ += block.size;
                return;
            }
            break;
        }
        ::operator delete(memory);
    }

private:
    struct Block {
        void* memory;
        size_t size;
    };
    static const size_t kLarge = 32 * 1024;
    static const size_t kKeptBlocks = 8;
    static const size_t kKeptBytes = 1024 * 1024;

    // As the library's own manager: a failure is its out-of-memory exception.
    static void* allocateFromHeap(XMLSize_t size) {
        try {
            return ::operator new(size);
        } catch (...) {
            throw xercesc::OutOfMemoryException();
        }
    }

    std::vector<Block> lent_;
    std::vector<Block> kept_;
    size_t keptBytes_ = 0;
    size_t lentBytes_ = 0;
};

// A kept parser with its memory, which outlives it.
struct KeptParser {
    ReusingMemoryManager memory;
    GuardedSaxParser parser{&memory};
};

// Making a parser costs more than parsing a short call's text, so parsers are
// kept for the next parse, a few for the whole process. One that grew large
// buffers for a long text (they stay with it) is destroyed instead, which frees them.
const size_t kKeptParsers = 2;
const size_t kKeptParserBytes = 512 * 1024;

// The kept parsers, each lent to one parse at a time. Never destroyed: no
// parser is torn down while threads end or the process exits.
class ParserPool {
public:
    std::unique_ptr<KeptParser> take() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<KeptParser> parser = std::move(idle_.back());
                idle_.pop_back();
                return parser;
            }
        }
        return std::make_unique<KeptParser>();
    }

    void give(std::unique_ptr<KeptParser> parser) {
        if (parser->memory.lentBytes() > kKeptParserBytes) return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (idle_.size() < kKeptParsers) idle_.push_back(std::move(parser));
    }

    static ParserPool& instance() {
        static ParserPool* pool = new ParserPool();
        return *pool;
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<KeptParser>> idle_;
};

// A parser for one parse, with its document and error handlers set; they are
// cleared again when the parse ends, so a kept parser never holds a handler
// that is gone.
class ParserForText {
public:
    explicit ParserForText(EasySaxHandler& handler) : kept_(ParserPool::instance().take()), parser_(&kept_->parser) {
        parser_->setDocumentHandler(&handler);
        // The library's default fatalError throws the parse exception; without an
        // error handler this version of the parser would end a malformed parse
        // silently, as if the text had been complete.
        parser_->setErrorHandler(&handler);
    }
    ~ParserForText() {
        parser_->setDocumentHandler(nullptr);
        parser_->setErrorHandler(nullptr);
        ParserPool::instance().give(std::move(kept_));
    }
    ParserForText(const ParserForText&) = delete;
    ParserForText& operator=(const ParserForText&) = delete;

    xercesc::SAXParser& get() { return *parser_; }

private:
    std::unique_ptr<KeptParser> kept_;
    GuardedSaxParser* parser_;
};

const char kSourceId[] = "XercesFacade::parseXMLString";

// Plain ASCII UTF-16 text as the bytes of its narrow text, which reads the
// same in the ANSI code page and in UTF-8 (the parser's default).
class NarrowingStream : public xercesc::BinInputStream {
public:
    NarrowingStream(const char16_t* text, size_t length) : text_(text), length_(length) {}

    XMLFilePos curPos() const override { return position_; }
    XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override {
        const size_t count = std::min<size_t>(maxToRead, length_ - position_);
        ascii::narrowPlain(text_ + position_, count, reinterpret_cast<char*>(toFill));
        position_ += count;
        return count;
    }
    const XMLCh* getContentType() const override { return nullptr; }

private:
    const char16_t* text_;
    size_t length_;
    size_t position_ = 0;
};

class NarrowingSource : public xercesc::InputSource {
public:
    NarrowingSource(const char16_t* text, size_t length) : InputSource(kSourceId), text_(text), length_(length) {}
    xercesc::BinInputStream* makeStream() const override { return new NarrowingStream(text_, length_); }

private:
    const char16_t* text_;
    size_t length_;
};

void requireInitialized() {
    if (!xercesInitialized) throw FlashExException("初期化が完了していません。");
}

}  // namespace

void XercesFacade::initialize() {
    if (xercesInitialized) return;
    std::lock_guard<std::mutex> lock(initializing);
    if (xercesInitialized) return;
    xercesc::XMLPlatformUtils::Initialize();
    xercesInitialized = true;
}

bool XercesFacade::isInitialized() { return xercesInitialized; }

void XercesFacade::parseXMLString(EasySaxHandler& handler, const std::string& text) {
    requireInitialized();
    ParserForText parser(handler);
    handler.setSourceLength(text.size());

    std::u16string wide;
    const XMLByte* bytes;
    XMLSize_t byteCount;
    if ((text.size() > 4 && text.compare(0, 5, "<?xml") == 0) || ascii::isPlain(text.data(), text.size())) {
        // ASCII reads the same in the ANSI code page and in UTF-8, the
        // parser's default: no conversion and no copy.
        bytes = reinterpret_cast<const XMLByte*>(text.data());
        byteCount = text.size();
    } else {
        wide = multiByteToWide(kUtf16Declaration + text, CP_ACP);
        bytes = reinterpret_cast<const XMLByte*>(wide.data());
        byteCount = wide.size() * sizeof(char16_t);
    }
    xercesc::MemBufInputSource source(bytes, byteCount, kSourceId, false);
    // The text outlives the parse: read in place, not copied whole into the stream first.
    source.setCopyBufToStream(false);
    parser.get().parse(source);
}

void XercesFacade::parseXMLString(EasySaxHandler& handler, const char16_t* text) {
    requireInitialized();
    if (!text) text = u"";
    const size_t length = std::char_traits<char16_t>::length(text);
    if (!ascii::isPlain(text, length)) {
        parseXMLString(handler, wideToMultiByte(text, CP_ACP));
        return;
    }
    ParserForText parser(handler);
    handler.setSourceLength(length);
    NarrowingSource source(text, length);
    parser.get().parse(source);
}
