#pragma once
#include <ocidl.h>
#include <ole2.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/DebugServer.h"
#include "player/EventConnectionPoint.h"
#include "player/ScriptEngine.h"
#include "player/ScriptHost.h"
#include "player/Stage.h"
#include "tbx/ComObject.h"
#include "tbx/ComPtr.h"
#include "tbx/ComVariant.h"

namespace player {

// The stand-in player: a windowed ActiveX control that plays a movie's
// script on its own thread and offers the Flash player's dispatch
// interface and events. As an in-place active object it offers the host's
// keyboard messages to the movie's accelerator handler. While an author works
// on a movie (settings the host puts) it draws script errors over the stage
// and is a target of Duktape's debug protocol. No exception leaves a COM
// method or the window procedure.
class PlayerControl : public tbx::ComObject<IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IDispatch,
                                            IConnectionPointContainer>,
                      public ScriptHost {
public:
    static HRESULT create(REFIID iid, void** out);

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject
    // S_OK when the movie's accelerator handler consumed the keyboard message.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

private:
    PlayerControl();
    ~PlayerControl() override;
    // IOleWindow is answered by the in-place object.
    void* queryOther(REFIID iid) override;

    // ScriptHost
    bool externalCall(tbx::Variant invoke, std::string& answer) override;
    void fsCommand(const std::u16string& command, const std::u16string& arguments) override;
    void stageChanged() override;
    void startTimer(UINT id, UINT milliseconds) override;
    void stopTimer(UINT id) override;
    // The ScriptTimeLimit setting (seconds) in milliseconds; 15 s by default.
    DWORD scriptTimeLimitMs() override;
    void scriptFailed(const std::string& summary) override;
    void debuggerDetached() override;

    // A setting put as a number (or a text or boolean that reads as one).
    double numberSetting(DISPID id, double otherwise) const;
    // The DebugPort setting; 0: no debugger.
    unsigned short debugPort() const;
    bool showScriptErrors() const;
    // Shows a failure over the stage when the host asked for that.
    void showStageError(const std::string& utf8Text);
    void paintStageError(HDC dc, const RECT& client) const;
    // Listens for a debug client when the host asked for one, and before a
    // movie's top level waits a while for a client to attach.
    void prepareDebugger();
    // Attaches a client that has connected since, and serves the attached
    // client while no script runs (the debug timer).
    void serveDebugClient();

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void createWindow(HWND parent, const RECT& rect);
    void destroyWindow();
    void paint(HDC dc);

    // Posted to the control's window: load the movie that was put last.
    static constexpr UINT kLoadMessage = WM_APP + 1;
    // Retries a load that waited for a running script; script timers count
    // up from 1, far below it.
    static constexpr UINT_PTR kLoadRetryTimer = 0x7FFFFF01;
    // Serves a debug client between the script's entries.
    static constexpr UINT_PTR kDebugTimer = 0x7FFFFF02;

    HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);
    void setMovie(const std::u16string& location);
    void loadPendingMovie();
    void unloadMovie();
    // Runs fn against the engine; an engine dropped meanwhile is destroyed
    // once no script code is running any more.
    void withEngine(const std::function<void(ScriptEngine&)>& fn);
    void dropEngine();
    ScaleMode scaleMode() const;
    std::string alignment() const;

    tbx::ComPtr<IOleClientSite> site_;
    tbx::ComPtr<IOleInPlaceSite> inPlaceSite_;
    HWND window_ = nullptr;
    SIZEL extent_ = {0, 0};
    EventConnectionPoint events_;

    std::u16string movie_;
    std::u16string flashVars_;
    bool loadPending_ = false;
    int readyState_ = 0;
    Stage stage_;
    // The last script error, drawn over the stage until a load runs well.
    std::u16string stageError_;
    // Declared before the engines, which use them until they go.
    std::unique_ptr<DebugServer> debugServer_;
    std::unique_ptr<DebugConnection> debugClient_;
    std::unique_ptr<ScriptEngine> engine_;
    std::vector<std::unique_ptr<ScriptEngine>> doomedEngines_;
    std::vector<UINT> scriptTimers_;
    std::map<DISPID, tbx::Variant> settings_;
    // Return values set during nested FlashCall events, innermost last.
    struct PendingReturn {
        bool set = false;
        std::string xml;  // in the code page
    };
    std::vector<PendingReturn> returns_;
};

}  // namespace player
