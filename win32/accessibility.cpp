#include "win32/accessibility.h"

// After windows.h, which it needs:
#include <oleacc.h>

#include <cstring>
#include <new>

#include "resources/ui_texts.h"
#include "win32/system_library.h"

#ifndef EVENT_OBJECT_LIVEREGIONCHANGED  // headers older than Windows 8
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

namespace {

// Active Accessibility and the COM functions it needs.
struct OleApi {
  decltype(&::CreateStdAccessibleObject) CreateStdAccessibleObject;
  decltype(&::LresultFromObject) LresultFromObject;
  decltype(&::CoInitializeEx) CoInitializeEx;
  decltype(&::CoUninitialize) CoUninitialize;
  decltype(&::CoDisconnectObject) CoDisconnectObject;
  decltype(&::CoLockObjectExternal) CoLockObjectExternal;
  decltype(&::SysAllocStringLen) SysAllocStringLen;
};

template <typename Function>
bool Find(HMODULE module, const char* name, Function& slot) {
  Resolve(module, name, slot, static_cast<Function>(nullptr));
  return slot != nullptr;
}

// Loaded at the first call; null when a library or a function is missing.
const OleApi* Ole() {
  static OleApi api;
  static const bool loaded = [] {
    const HMODULE oleacc = LoadSystemLibrary("oleacc.dll");
    const HMODULE ole32 = LoadSystemLibrary("ole32.dll");
    const HMODULE oleaut32 = LoadSystemLibrary("oleaut32.dll");
    return Find(oleacc, "CreateStdAccessibleObject", api.CreateStdAccessibleObject) &&
           Find(oleacc, "LresultFromObject", api.LresultFromObject) &&
           Find(ole32, "CoInitializeEx", api.CoInitializeEx) &&
           Find(ole32, "CoUninitialize", api.CoUninitialize) &&
           Find(ole32, "CoDisconnectObject", api.CoDisconnectObject) &&
           Find(ole32, "CoLockObjectExternal", api.CoLockObjectExternal) &&
           Find(oleaut32, "SysAllocStringLen", api.SysAllocStringLen);
  }();
  return loaded ? &api : nullptr;
}

using Spoken = void (*)(const GameSession&, char (&)[kSpokenTextCapacity]);

void NameOf(const GameSession& game, char (&text)[kSpokenTextCapacity]) {
  static_assert(sizeof TEXT_TITLE <= kSpokenTextCapacity, "the title fits");
  StatusLine(game, text);
  if (text[0] == '\0') std::memcpy(text, TEXT_TITLE, sizeof TEXT_TITLE);
}

void KeysOf(const GameSession& game, char (&text)[kSpokenTextCapacity]) {
  BoardKeysText(game.boardIndex, text);
}

}  // namespace

// The client area's object. It lives as long as anyone holds it. Disconnected, it
// answers CO_E_OBJNOTCONNECTED to a holder in this apartment, and COM answers
// RPC_E_DISCONNECTED to those in other apartments and processes; it never reaches
// the game again. All its calls come on the user-interface thread.
class ClientObject final : public IAccessible {
 public:
  ClientObject(const GameHost& host, IAccessible* standard) : host_(&host), standard_(standard) {}

  void Disconnect() {
    host_ = nullptr;
    standard_->Release();
    standard_ = nullptr;
    Ole()->CoDisconnectObject(this, 0);
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, __uuidof(IUnknown)) && !IsEqualIID(iid, __uuidof(IDispatch)) &&
        !IsEqualIID(iid, __uuidof(IAccessible)))
      return E_NOINTERFACE;
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: no type information; clients call IAccessible itself.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // The board's own words.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, &NameOf);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Text(child, description, &KeysOf);
  }

  // The standard object's: role, state, value, place, parent, focus, navigation.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return Forward(&IAccessible::get_accParent, parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return Forward(&IAccessible::get_accChildCount, count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return Forward(&IAccessible::get_accChild, child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Forward(&IAccessible::get_accValue, child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return Forward(&IAccessible::get_accRole, child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return Forward(&IAccessible::get_accState, child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return Forward(&IAccessible::get_accHelp, child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return Forward(&IAccessible::get_accHelpTopic, file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Forward(&IAccessible::get_accKeyboardShortcut, child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return Forward(&IAccessible::get_accFocus, child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return Forward(&IAccessible::get_accSelection, children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Forward(&IAccessible::get_accDefaultAction, child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return Forward(&IAccessible::accSelect, flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return Forward(&IAccessible::accLocation, left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return Forward(&IAccessible::accNavigate, direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return Forward(&IAccessible::accHitTest, x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Forward(&IAccessible::accDoDefaultAction, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return Forward(&IAccessible::put_accName, child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return Forward(&IAccessible::put_accValue, child, value);
  }

 private:
  ~ClientObject() = default;  // by the last Release

  // A text of the client area itself (CHILDID_SELF, or no child given) as a new string;
  // it has no children.
  HRESULT Text(const VARIANT& child, BSTR* out, Spoken say) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (host_ == nullptr) return CO_E_OBJNOTCONNECTED;
    if (V_VT(&child) != VT_EMPTY && (V_VT(&child) != VT_I4 || V_I4(&child) != CHILDID_SELF))
      return E_INVALIDARG;
    char text[kSpokenTextCapacity];
    say(host_->Game(), text);
    OLECHAR wide[kSpokenTextCapacity];
    UINT length = 0;
    for (; text[length] != '\0'; ++length) wide[length] = static_cast<unsigned char>(text[length]);
    *out = Ole()->SysAllocStringLen(wide, length);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  template <typename... Parameters, typename... Arguments>
  HRESULT Forward(HRESULT (STDMETHODCALLTYPE IAccessible::*method)(Parameters...),
                  Arguments... arguments) {
    return standard_ != nullptr ? (standard_->*method)(arguments...) : CO_E_OBJNOTCONNECTED;
  }

  LONG references_ = 1;
  const GameHost* host_;
  IAccessible* standard_;
};

ClientAccessibility::ClientAccessibility(const GameHost& host)
    : host_(host), toldBoard_(host.Game().boardIndex) {}

ClientAccessibility::~ClientAccessibility() {
  Close();
  if (apartment_) Ole()->CoUninitialize();
}

LRESULT ClientAccessibility::Answer(HWND window, WPARAM flags) {
  const OleApi* ole = closed_ ? nullptr : Ole();
  if (ole == nullptr) return 0;
  if (!apartment_) {
    if (FAILED(ole->CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
    apartment_ = true;
  }
  if (object_ == nullptr) {
    IAccessible* standard = nullptr;
    if (FAILED(ole->CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&standard))))
      return 0;
    object_ = new (std::nothrow) ClientObject(host_, standard);
    if (object_ == nullptr) {
      standard->Release();
      return 0;
    }
    // Connected from now until the window goes, so that COM keeps one stub for every
    // request rather than making and unmaking it each time (under wine each new stub
    // costs 2 KB that are not given back).
    ole->CoLockObjectExternal(object_, TRUE, FALSE);
  }
  // A failure comes as a negative HRESULT: the standard object answers instead.
  const LRESULT answer = ole->LresultFromObject(__uuidof(IAccessible), flags, object_);
  return answer > 0 ? answer : 0;
}

void ClientAccessibility::TellChanges(HWND window) {
  if (!pending_ || closed_) return;
  pending_ = false;
  const GameSession& game = host_.Game();
  if (game.boardIndex != toldBoard_) {
    toldBoard_ = game.boardIndex;
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, window, OBJID_CLIENT, CHILDID_SELF);
  }
  char line[kSpokenTextCapacity];
  StatusLine(game, line);
  if (std::strcmp(line, toldStatus_) == 0) return;
  std::memcpy(toldStatus_, line, sizeof line);
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
  if (line[0] != '\0' && GetFocus() != window)
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, window, OBJID_CLIENT, CHILDID_SELF);
}

void ClientAccessibility::Close() {
  closed_ = true;
  if (object_ == nullptr) return;
  object_->Disconnect();
  object_->Release();
  object_ = nullptr;
}
