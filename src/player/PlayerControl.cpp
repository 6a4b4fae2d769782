#include "player/PlayerControl.h"

#include <olectl.h>

#include <algorithm>

#include "player/MovieFile.h"
#include "player/PlayerIds.h"
#include "player/PlayerModule.h"
#include "player/FlashVars.h"
#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

namespace player {

namespace {

const char* const kWindowClass = "MovaraPlayerStage";
const UINT kLoadMessage = WM_APP + 1;
// Script timers count up from 1; the player's own timer is far above them.
const UINT_PTR kLoadRetryTimer = 0x7FFFFF01;

ATOM registerWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcA;  // replaced per window below
        windowClass.hInstance = playerModule();
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExA(&windowClass);
    }();
    return atom;
}

}  // namespace

PlayerControl::PlayerControl() : events_(*static_cast<IOleObject*>(this), *this) {}

PlayerControl::~PlayerControl() {
    destroyWindow();
    events_.unadviseAll();
    engine_.reset();
    doomedEngines_.clear();
    if (inPlaceSite_) inPlaceSite_->Release();
    if (site_) site_->Release();
    for (auto& setting : settings_) VariantClear(&setting.second);
}

HRESULT PlayerControl::create(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    PlayerControl* control = nullptr;
    try {
        control = new PlayerControl;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    HRESULT result = control->QueryInterface(iid, out);
    control->Release();
    return result;
}

HRESULT STDMETHODCALLTYPE PlayerControl::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject)) {
        *out = static_cast<IOleObject*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceObject) || IsEqualIID(iid, IID_IOleWindow)) {
        *out = static_cast<IOleInPlaceObject*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
        *out = static_cast<IConnectionPointContainer*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE PlayerControl::AddRef() { return InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE PlayerControl::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

// ---- IOleObject

HRESULT STDMETHODCALLTYPE PlayerControl::SetClientSite(IOleClientSite* site) {
    // The container drops its own reference after creation: keep one.
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    if (!site) {
        destroyWindow();
        unloadMovie();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_;
    if (site_) site_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::Close(DWORD) {
    InPlaceDeactivate();
    unloadMovie();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                                LPCRECT rect) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            break;
        case OLEIVERB_HIDE:
            if (window_) ShowWindow(window_, SW_HIDE);
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
    }
    if (window_) {
        ShowWindow(window_, SW_SHOW);
        return S_OK;
    }
    IOleClientSite* client = site ? site : site_;
    if (!client) return E_UNEXPECTED;
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(client->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_NOINTERFACE;
    if (inPlace->CanInPlaceActivate() != S_OK) {
        inPlace->Release();
        return E_FAIL;
    }
    inPlace->OnInPlaceActivate();
    HWND siteWindow = nullptr;
    inPlace->GetWindow(&siteWindow);
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT position = {0, 0, 0, 0}, clip = {0, 0, 0, 0};
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof(frameInfo);
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &position, &clip, &frameInfo))) {
        if (frame) frame->Release();
        if (document) document->Release();
    } else if (rect) {
        position = *rect;
    }
    if (inPlaceSite_) inPlaceSite_->Release();
    inPlaceSite_ = inPlace;
    try {
        createWindow(siteWindow ? siteWindow : parent, position);
    } catch (...) {
        return E_FAIL;
    }
    return window_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kPlayerClsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::SetExtent(DWORD, SIZEL* size) {
    // The numbers are kept but not used: the window's size comes from SetObjectRects.
    if (size) extent_ = *size;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetExtent(DWORD, SIZEL* size) {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

// ---- IOleInPlaceObject

HRESULT STDMETHODCALLTYPE PlayerControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE PlayerControl::InPlaceDeactivate() {
    destroyWindow();
    if (inPlaceSite_) {
        IOleInPlaceSite* site = inPlaceSite_;
        inPlaceSite_ = nullptr;
        site->OnInPlaceDeactivate();
        site->Release();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PlayerControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (window_)
        SetWindowPos(window_, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

// ---- IConnectionPointContainer

HRESULT STDMETHODCALLTYPE PlayerControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PlayerControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, kPlayerEventsIid)) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
}

// ---- the stage window

void PlayerControl::createWindow(HWND parent, const RECT& rect) {
    if (!registerWindowClass()) return;
    window_ = CreateWindowExA(0, kWindowClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, playerModule(), nullptr);
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc));
    if (loadPending_) PostMessageA(window_, kLoadMessage, 0, 0);
}

void PlayerControl::destroyWindow() {
    if (!window_) return;
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    scriptTimers_.clear();
}

LRESULT CALLBACK PlayerControl::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PlayerControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    // The host may release the control from inside an event: keep it alive.
    self->AddRef();
    LRESULT result = 0;
    try {
        result = self->handleMessage(message, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    if (message == WM_NCDESTROY && self->window_ == window) {
        self->window_ = nullptr;
        self->scriptTimers_.clear();
    }
    self->Release();
    return result;
}

LRESULT PlayerControl::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (wParam) {
                paint(reinterpret_cast<HDC>(wParam));
            } else {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(window_, &ps);
                // Drawn off screen first so that the stage never flickers.
                RECT client;
                GetClientRect(window_, &client);
                tbx::MemoryDC memory(CreateCompatibleDC(dc));
                tbx::GdiObject bitmap(
                    CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
                if (memory && bitmap) {
                    tbx::SelectedObject selected(memory.get(), bitmap.get());
                    paint(memory.get());
                    BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
                } else {
                    paint(dc);
                }
                EndPaint(window_, &ps);
            }
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window_, &client);
            tbx::GdiObject brush(CreateSolidBrush(toColorRef(stage_.backgroundColor())));
            FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(brush.get()));
            return 1;
        }
        case WM_TIMER:
            if (wParam == kLoadRetryTimer) {
                KillTimer(window_, kLoadRetryTimer);
                loadPendingMovie();
            } else {
                UINT id = static_cast<UINT>(wParam);
                withEngine([id](ScriptEngine& engine) { engine.fireTimer(id); });
            }
            return 0;
        case kLoadMessage:
            loadPendingMovie();
            return 0;
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void PlayerControl::paint(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    stage_.paint(dc, client, scaleMode(), alignment());
}

// ---- the movie

void PlayerControl::setMovie(const std::u16string& location) {
    movie_ = location;
    readyState_ = 0;
    loadPending_ = true;
    // The load runs from the message loop, after this put has returned.
    if (window_) PostMessageA(window_, kLoadMessage, 0, 0);
}

void PlayerControl::loadPendingMovie() {
    if (!loadPending_ || !window_) return;
    if (engine_ && engine_->busy()) {
        // A script is running further up this thread's stack: try again later.
        SetTimer(window_, kLoadRetryTimer, 10, nullptr);
        return;
    }
    loadPending_ = false;
    unloadMovie();
    if (movie_.empty()) return;
    MovieData movie;
    try {
        movie = loadMovieFile(movie_);
    } catch (const std::exception& e) {
        writeLine(STD_ERROR_HANDLE,
                  std::string("movie not loaded: ") + wideToMultiByte(movie_, CP_UTF8) + ": " + e.what());
        return;
    }
    stage_.reset(movie.width, movie.height, movie.backgroundColor);
    stage_.setFrameRate(movie.frameRate);
    InvalidateRect(window_, nullptr, TRUE);
    // Variables of the movie URL's query first, FlashVars after (they win).
    std::u16string query = movieQueryOf(movie_);
    if (!flashVars_.empty()) query += (query.empty() ? u"" : u"&") + flashVars_;
    try {
        engine_ = std::make_unique<ScriptEngine>(*this, stage_, decodeFlashVars(query));
    } catch (const std::exception& e) {
        writeLine(STD_ERROR_HANDLE, e.what());
        return;
    }
    std::string name = wideToMultiByte(moviePathOf(movie_), CP_UTF8);
    std::string script = movie.script;
    ScriptEngine* started = engine_.get();
    withEngine([&](ScriptEngine& engine) { engine.run(script, name); });
    // Not when the top level replaced or closed its own movie.
    if (loadPending_ || engine_.get() != started) return;
    // Reported after the top level ran, so callbacks and drawing exist.
    readyState_ = 4;
    VARIANT state;
    VariantInit(&state);
    V_VT(&state) = VT_I4;
    V_I4(&state) = 4;
    AddRef();
    events_.fire(kEventReadyStateChange, {state});
    Release();
}

void PlayerControl::unloadMovie() {
    for (UINT id : scriptTimers_)
        if (window_) KillTimer(window_, id);
    scriptTimers_.clear();
    dropEngine();
    stage_.reset(stage_.width(), stage_.height(), 0xFFFFFF);
    readyState_ = 0;
    if (window_) InvalidateRect(window_, nullptr, TRUE);
}

void PlayerControl::dropEngine() {
    if (!engine_) return;
    if (engine_->busy())
        doomedEngines_.push_back(std::move(engine_));
    else
        engine_.reset();
}

void PlayerControl::withEngine(const std::function<void(ScriptEngine&)>& fn) {
    if (!engine_) return;
    ScriptEngine* engine = engine_.get();
    AddRef();
    struct Cleanup {
        PlayerControl& control;
        ScriptEngine* engine;
        ~Cleanup() {
            // Engines dropped while they ran go once nothing runs any more.
            if (!engine->busy()) {
                auto& doomed = control.doomedEngines_;
                doomed.erase(std::remove_if(doomed.begin(), doomed.end(),
                                            [](const std::unique_ptr<ScriptEngine>& e) { return !e->busy(); }),
                             doomed.end());
            }
            control.Release();
        }
    } cleanup{*this, engine};
    fn(*engine);
}

ScaleMode PlayerControl::scaleMode() const {
    auto found = settings_.find(120);  // ScaleMode
    if (found == settings_.end()) return ScaleMode::ShowAll;
    const VARIANT& value = found->second;
    if (V_VT(&value) == VT_BSTR) {
        std::string name = wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&value)), CP_ACP);
        CharLowerA(&name[0]);
        if (name == "noborder") return ScaleMode::NoBorder;
        if (name == "exactfit") return ScaleMode::ExactFit;
        if (name == "noscale") return ScaleMode::NoScale;
        return ScaleMode::ShowAll;
    }
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &value, 0, VT_I4))) return ScaleMode::ShowAll;
    switch (V_I4(&number)) {
        case 1:
            return ScaleMode::NoBorder;
        case 2:
            return ScaleMode::ExactFit;
        case 3:
            return ScaleMode::NoScale;
        default:
            return ScaleMode::ShowAll;
    }
}

std::string PlayerControl::alignment() const {
    auto found = settings_.find(130);  // SAlign
    if (found == settings_.end() || V_VT(&found->second) != VT_BSTR) return {};
    return wideToMultiByte(reinterpret_cast<const char16_t*>(V_BSTR(&found->second)), CP_ACP);
}

// ---- ScriptHost

bool PlayerControl::externalCall(const std::u16string& invoke, std::u16string& answer) {
    returns_.push_back(PendingReturn{});
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(invoke.data()), invoke.size());
    events_.fire(kEventFlashCall, {text});
    VariantClear(&text);
    PendingReturn returned = std::move(returns_.back());
    returns_.pop_back();
    answer = std::move(returned.xml);
    return returned.set;
}

void PlayerControl::fsCommand(const std::u16string& command, const std::u16string& arguments) {
    VARIANT args[2];
    const std::u16string* texts[2] = {&command, &arguments};
    for (int i = 0; i < 2; ++i) {
        VariantInit(&args[i]);
        V_VT(&args[i]) = VT_BSTR;
        V_BSTR(&args[i]) = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(texts[i]->data()), texts[i]->size());
    }
    events_.fire(kEventFSCommand, {args[0], args[1]});
    VariantClear(&args[0]);
    VariantClear(&args[1]);
}

void PlayerControl::stageChanged() {
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void PlayerControl::startTimer(UINT id, UINT milliseconds) {
    if (!window_) return;
    if (SetTimer(window_, id, std::max<UINT>(milliseconds, USER_TIMER_MINIMUM), nullptr)) scriptTimers_.push_back(id);
}

void PlayerControl::stopTimer(UINT id) {
    if (window_) KillTimer(window_, id);
    scriptTimers_.erase(std::remove(scriptTimers_.begin(), scriptTimers_.end(), id), scriptTimers_.end());
}

}  // namespace player
