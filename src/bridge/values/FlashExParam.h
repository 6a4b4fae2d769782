#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

class FlashExParam;
class FlashExParamArray;
class FlashExParamObject;

// An owned value. Containers own their elements; a plain pointer or reference
// to a value only borrows it.
using ParamPtr = std::unique_ptr<FlashExParam>;

// What a value is, so callers can tell without runtime type information.
enum class ParamKind { Undefined, String, Int, Double, Bool, Null, Pointer, Handle, Array, Object };

// A value exchanged with the movie. A bare FlashExParam is the undefined
// sentinel (FlashExParam::undefined()), which lives for the whole run. Typed
// accessors that a class does not offer throw FlashExException "type error".
class FlashExParam {
public:
    virtual ~FlashExParam() = default;

    virtual ParamKind kind() const { return ParamKind::Undefined; }
    bool isNumeric() const {
        return kind() == ParamKind::Int || kind() == ParamKind::Double || kind() == ParamKind::Bool;
    }
    // The value stored under name, or the undefined sentinel; still owned by the object.
    virtual const FlashExParam* getProperty(const std::string& name) const;
    virtual const std::string& getString() const;
    // The string's characters; the null value gives a null pointer.
    virtual const char* getCString() const;
    // The pointer value; an int gives its value as a pointer (a handle the
    // movie sent back as a number); the null value gives a null pointer.
    virtual void* getPointer() const;
    virtual int getInt() const;
    virtual unsigned int getUInt() const;
    virtual double getDouble() const;
    virtual float getFloat() const;
    virtual bool getBool() const;
    virtual bool isUndefined() const;
    // Appends the value XML of the value to out.
    virtual void writeXML(std::string& out) const;
    // About the bytes writeXML appends, before escapes: enough to reserve
    // the output once instead of growing it element by element.
    virtual size_t xmlSizeHint() const { return 16; }
    // The value XML in a string reserved once from xmlSizeHint.
    std::string toXML() const;
    virtual FlashExParamArray* asArray();
    virtual const FlashExParamArray* asArray() const;
    virtual FlashExParamObject* asObject();
    virtual const FlashExParamObject* asObject() const;
    virtual void toVariant(VARIANT& out) const;
    // Releases what toVariant put into v.
    virtual void clearVariant(VARIANT& v) const;

    // The one undefined sentinel, alive for the whole run.
    static const FlashExParam& undefined();

protected:
    FlashExParam() = default;
    FlashExParam(const FlashExParam&) = delete;
    FlashExParam& operator=(const FlashExParam&) = delete;
};

class FlashExParamString : public FlashExParam {
public:
    explicit FlashExParamString(std::string text) : text_(std::move(text)) {}
    // A null pointer gives the empty string.
    explicit FlashExParamString(const char* text) : text_(text ? text : "") {}

    ParamKind kind() const override { return ParamKind::String; }
    const std::string& getString() const override { return text_; }
    void writeXML(std::string& out) const override;
    size_t xmlSizeHint() const override { return text_.size() + 17; }
    void toVariant(VARIANT& out) const override;
    void clearVariant(VARIANT& v) const override;

private:
    std::string text_;
};

// Groups the numeric values (the boolean counts as one).
class FlashExParamNumber : public FlashExParam {};

class FlashExParamInt : public FlashExParamNumber {
public:
    explicit FlashExParamInt(int value) : value_(value) {}

    ParamKind kind() const override { return ParamKind::Int; }
    void* getPointer() const override;
    int getInt() const override { return value_; }
    unsigned int getUInt() const override { return static_cast<unsigned int>(value_); }
    double getDouble() const override { return value_; }
    float getFloat() const override { return static_cast<float>(value_); }
    void writeXML(std::string& out) const override;
    size_t xmlSizeHint() const override { return 28; }
    void toVariant(VARIANT& out) const override;

private:
    int value_;
};

class FlashExParamDouble : public FlashExParamNumber {
public:
    explicit FlashExParamDouble(double value) : value_(value) {}

    ParamKind kind() const override { return ParamKind::Double; }
    // Truncated toward zero; values beyond the int range saturate, NaN gives 0.
    int getInt() const override;
    // Truncated toward zero to 64 bits (saturating), then the low 32 bits.
    unsigned int getUInt() const override;
    double getDouble() const override { return value_; }
    float getFloat() const override { return static_cast<float>(value_); }
    void writeXML(std::string& out) const override;
    size_t xmlSizeHint() const override { return 40; }
    void toVariant(VARIANT& out) const override;

private:
    double value_;
};

class FlashExParamBool : public FlashExParamNumber {
public:
    explicit FlashExParamBool(bool value) : value_(value) {}

    ParamKind kind() const override { return ParamKind::Bool; }
    bool getBool() const override { return value_; }
    void writeXML(std::string& out) const override;
    void toVariant(VARIANT& out) const override;

private:
    bool value_;
};

class FlashExParamNull : public FlashExParam {
public:
    FlashExParamNull() = default;

    ParamKind kind() const override { return ParamKind::Null; }
    const char* getCString() const override { return nullptr; }
    void* getPointer() const override { return nullptr; }
};

// A native pointer shown to the movie as an unsigned number; not owned.
class FlashExParamPointer : public FlashExParam {
public:
    explicit FlashExParamPointer(void* pointer) : pointer_(pointer) {}

    ParamKind kind() const override { return ParamKind::Pointer; }
    void* getPointer() const override { return pointer_; }
    void writeXML(std::string& out) const override;
    // The pointer as an IDispatch; the variant holds a reference of its own,
    // which clearVariant releases.
    void toVariant(VARIANT& out) const override;
    void clearVariant(VARIANT& v) const override;

private:
    void* pointer_;
};

// A number from one of the host's handle tables (automation objects, open
// directories), shown to the movie as an unsigned number. It names no object
// by itself, so it has no automation value: toVariant refuses it.
class FlashExParamHandle : public FlashExParam {
public:
    explicit FlashExParamHandle(void* number) : number_(number) {}

    ParamKind kind() const override { return ParamKind::Handle; }
    // The number as the tables key it.
    void* getPointer() const override { return number_; }
    void writeXML(std::string& out) const override;
    void toVariant(VARIANT& out) const override;

private:
    void* number_;
};

// An ordered sequence that owns its elements.
class FlashExParamArray : public FlashExParam {
public:
    FlashExParamArray() = default;

    ParamKind kind() const override { return ParamKind::Array; }
    // Appends; an empty pointer is stored as the null value.
    void push(ParamPtr value);
    void pushString(const std::string& text);
    unsigned size() const { return static_cast<unsigned>(elements_.size()); }
    // Throws FlashExException "配列のインデックスが範囲を超えています。" at or beyond size().
    virtual FlashExParam* at(unsigned index) const;
    // Destroys the element at index; the following ones move up.
    void removeAt(unsigned index);
    // Hands the element at index over to the caller; the following ones move up.
    ParamPtr take(unsigned index);
    void clear();

    void writeXML(std::string& out) const override;
    size_t xmlSizeHint() const override;
    FlashExParamArray* asArray() override { return this; }
    const FlashExParamArray* asArray() const override { return this; }

private:
    std::vector<ParamPtr> elements_;
};

// The argument list of a request or of a call into the movie: an array whose
// XML form lists the values without property wrappers.
class FlashExParamArguments : public FlashExParamArray {
public:
    FlashExParamArguments() = default;
    void writeXML(std::string& out) const override;
    size_t xmlSizeHint() const override;
};

// Orders names as std::less does (unsigned bytes, then length), compared
// inline: the C runtime's memcmp under Wine goes byte by byte through a DLL
// call, and an object's insert compares its name about log2(size) times.
struct PropertyNameOrder {
    bool operator()(const std::string& a, const std::string& b) const {
        const size_t common = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < common; ++i) {
            const auto x = static_cast<unsigned char>(a[i]);
            const auto y = static_cast<unsigned char>(b[i]);
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

// A map from property name to value, in byte order of the names; owns its values.
class FlashExParamObject : public FlashExParam {
public:
    using Properties = std::map<std::string, ParamPtr, PropertyNameOrder>;

    FlashExParamObject() = default;

    ParamKind kind() const override { return ParamKind::Object; }
    // Stores, destroying an earlier value of that name; an empty pointer is
    // stored as the null value.
    void setProperty(const std::string& name, ParamPtr value);
    void setString(const std::string& name, const std::string& text);
    const Properties& properties() const { return properties_; }

    const FlashExParam* getProperty(const std::string& name) const override;
    void writeXML(std::string& out) const override;
    size_t xmlSizeHint() const override;
    FlashExParamObject* asObject() override { return this; }
    const FlashExParamObject* asObject() const override { return this; }

private:
    Properties properties_;
    Properties::iterator lastSet_ = properties_.end();
};

class FlashExParamError;
// The error object answered for a failure: "message" and "type" = "error".
std::unique_ptr<FlashExParamError> makeError(const std::string& message);

class FlashExParamError : public FlashExParamObject {
private:
    FlashExParamError() = default;
    friend std::unique_ptr<FlashExParamError> makeError(const std::string& message);
};

// Makers of owned values, for results and containers.
inline ParamPtr paramString(std::string text) { return std::make_unique<FlashExParamString>(std::move(text)); }
inline ParamPtr paramInt(int value) { return std::make_unique<FlashExParamInt>(value); }
inline ParamPtr paramDouble(double value) { return std::make_unique<FlashExParamDouble>(value); }
inline ParamPtr paramBool(bool value) { return std::make_unique<FlashExParamBool>(value); }
inline ParamPtr paramNull() { return std::make_unique<FlashExParamNull>(); }
inline ParamPtr paramPointer(void* pointer) { return std::make_unique<FlashExParamPointer>(pointer); }
inline ParamPtr paramHandle(void* number) { return std::make_unique<FlashExParamHandle>(number); }

// The entity that stands for one of the five markup characters (" & ' < >);
// null for any other byte.
const char* xmlEntityOf(unsigned char c);

// Appends text to out with the five XML entities escaped, copying double-byte
// characters of the ANSI code page unchanged.
void appendEscapedXml(std::string& out, const std::string& text);
