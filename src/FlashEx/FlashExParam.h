#pragma once
#include <map>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

class FlashExParamArray;
class FlashExParamObject;

// A value exchanged with the movie. Every value is a heap object. A bare
// FlashExParam is the undefined sentinel (FlashExParam::undefined()), which is
// never deleted. Typed accessors that a class does not offer throw
// FlashExException "type error".
class FlashExParam {
public:
    virtual ~FlashExParam() = default;

    // The value stored under name, or the undefined sentinel; still owned by the object.
    virtual FlashExParam* getProperty(const std::string& name) const;
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
    virtual FlashExParamArray* asArray();
    virtual const FlashExParamArray* asArray() const;
    virtual FlashExParamObject* asObject();
    virtual const FlashExParamObject* asObject() const;
    virtual void toVariant(VARIANT& out) const;
    // Releases what toVariant put into v.
    virtual void clearVariant(VARIANT& v) const;

    // The one undefined sentinel, alive for the whole run.
    static FlashExParam* undefined();

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

    const std::string& getString() const override { return text_; }
    void writeXML(std::string& out) const override;
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

    void* getPointer() const override;
    int getInt() const override { return value_; }
    unsigned int getUInt() const override { return static_cast<unsigned int>(value_); }
    double getDouble() const override { return value_; }
    float getFloat() const override { return static_cast<float>(value_); }
    void writeXML(std::string& out) const override;
    void toVariant(VARIANT& out) const override;

private:
    int value_;
};

class FlashExParamDouble : public FlashExParamNumber {
public:
    explicit FlashExParamDouble(double value) : value_(value) {}

    // Truncated toward zero; values beyond the int range saturate, NaN gives 0.
    int getInt() const override;
    // Truncated toward zero to 64 bits (saturating), then the low 32 bits.
    unsigned int getUInt() const override;
    double getDouble() const override { return value_; }
    float getFloat() const override { return static_cast<float>(value_); }
    void writeXML(std::string& out) const override;
    void toVariant(VARIANT& out) const override;

private:
    double value_;
};

class FlashExParamBool : public FlashExParamNumber {
public:
    explicit FlashExParamBool(bool value) : value_(value) {}

    bool getBool() const override { return value_; }
    void writeXML(std::string& out) const override;
    void toVariant(VARIANT& out) const override;

private:
    bool value_;
};

class FlashExParamNull : public FlashExParam {
public:
    FlashExParamNull() = default;

    const char* getCString() const override { return nullptr; }
    void* getPointer() const override { return nullptr; }
};

// A native pointer shown to the movie as an unsigned number; not owned.
class FlashExParamPointer : public FlashExParam {
public:
    explicit FlashExParamPointer(void* pointer) : pointer_(pointer) {}

    void* getPointer() const override { return pointer_; }
    void writeXML(std::string& out) const override;
    // The pointer as an IDispatch, without adding a reference.
    void toVariant(VARIANT& out) const override;

private:
    void* pointer_;
};

// An ordered sequence that owns its elements.
class FlashExParamArray : public FlashExParam {
public:
    FlashExParamArray() = default;
    ~FlashExParamArray() override;

    // Appends and takes ownership; a null pointer is stored as the null value.
    void push(FlashExParam* value);
    void pushString(const std::string& text);
    unsigned size() const { return static_cast<unsigned>(elements_.size()); }
    // Throws FlashExException "配列のインデックスが範囲を超えています。" at or beyond size().
    virtual FlashExParam* at(unsigned index) const;
    // Destroys the element at index; the following ones move up.
    void removeAt(unsigned index);
    void clear();

    void writeXML(std::string& out) const override;
    FlashExParamArray* asArray() override { return this; }
    const FlashExParamArray* asArray() const override { return this; }

private:
    std::vector<FlashExParam*> elements_;
};

// The argument list of a request or of a call into the movie: an array whose
// XML form lists the values without property wrappers.
class FlashExParamArguments : public FlashExParamArray {
public:
    FlashExParamArguments() = default;
    void writeXML(std::string& out) const override;
};

// A map from property name to value, in byte order of the names; owns its values.
class FlashExParamObject : public FlashExParam {
public:
    using Properties = std::map<std::string, FlashExParam*>;

    FlashExParamObject() = default;
    ~FlashExParamObject() override;

    // Stores and takes ownership, destroying an earlier value of that name; a
    // null pointer is stored as the null value.
    void setProperty(const std::string& name, FlashExParam* value);
    void setString(const std::string& name, const std::string& text);
    const Properties& properties() const { return properties_; }

    FlashExParam* getProperty(const std::string& name) const override;
    void writeXML(std::string& out) const override;
    FlashExParamObject* asObject() override { return this; }
    const FlashExParamObject* asObject() const override { return this; }

private:
    Properties properties_;
};

class FlashExParamError;
// The error object answered for a failure: "message" and "type" = "error".
FlashExParamError* makeError(const std::string& message);

class FlashExParamError : public FlashExParamObject {
private:
    FlashExParamError() = default;
    friend FlashExParamError* makeError(const std::string& message);
};

// Appends text to out with the five XML entities escaped, copying double-byte
// characters of the ANSI code page unchanged.
void appendEscapedXml(std::string& out, const std::string& text);
