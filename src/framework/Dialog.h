#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "framework/ActiveXControl.h"
#include "framework/EventSink.h"

namespace fw {

// A dialog from a resource template, modal (DoModal, with a message loop of
// its own in which every message of the thread passes PreTranslateMessage
// first) or modeless (Create). The window procedure stores `this` at
// WM_INITDIALOG and routes messages to the virtual handlers below; an
// exception escaping a handler never reaches the window procedure.
//
// Handlers that return bool answer whether they handled the message; false
// lets the dialog manager's default handling run. A derived class whose
// OnDestroy matters destroys the window in its own destructor: the base
// destructor can only reach the base handlers.
class Dialog : public EventReceiver {
public:
    // resources: the module holding the template (null: the program).
    explicit Dialog(UINT templateId, HINSTANCE resources = nullptr);
    ~Dialog() override;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Asks for an ActiveX control as child `id` at initialisation: it takes
    // the place (rectangle, visibility, tab stop) of the template's
    // placeholder control with that id. Events of eventIid reach OnEvent.
    void hostControl(int id, const std::string& classText, const IID& eventIid);
    ActiveXControl* control(int id);
    const ActiveXControl* control(int id) const;

    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog modeless on the calling thread; false on failure.
    bool Create(HWND owner = nullptr);
    // Modal: ends the loop of DoModal with result. Modeless: destroys the window.
    void EndDialog(INT_PTR result);
    void DestroyWindow();

    HWND window() const { return window_; }
    bool isModal() const { return modal_; }

    // Every message of the thread's loop passes here before it is dispatched;
    // the default gives it to the dialog manager (IsDialogMessage).
    virtual BOOL PreTranslateMessage(MSG* msg);

protected:
    // After the hosted controls exist. True lets the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual bool OnPaint() { return false; }
    virtual bool OnEraseBkgnd(HDC dc) { return false; }
    virtual void OnSize(UINT type, int width, int height) {}
    virtual void OnMove(int x, int y) {}
    virtual bool OnClose() { return false; }
    virtual void OnDropFiles(HDROP drop) {}
    virtual void OnDestroy() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Commands other than IDOK and IDCANCEL.
    virtual bool OnCommand(WORD id, WORD code, HWND control) { return false; }
    // Any message without a handler of its own; result is the message's answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
    // An event of a hosted control (arguments reversed, as DISPPARAMS has them).
    virtual void OnEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) {}
    // Called when a handler let an exception escape; the message then answers 0.
    virtual void OnHandlerException() {}

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR route(UINT message, WPARAM wParam, LPARAM lParam);
    void createHostedControls();
    void onControlEvent(int controlId, DISPID id, DISPPARAMS* params, VARIANT* result) override;
    HWND createWindow(HWND owner);

    struct Hosted {
        std::string classText;
        IID eventIid;
        std::unique_ptr<ActiveXControl> control;
    };

    UINT templateId_;
    HINSTANCE resources_;
    HWND window_ = nullptr;
    bool modal_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
    std::map<int, Hosted> hosted_;
};

}  // namespace fw
