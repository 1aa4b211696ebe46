// SPDX-License-Identifier: Apache-2.0
// What screen readers see, through MSAA dynamic annotation: the window
// system's own accessible objects of the child windows, with their name,
// role, state or value overridden. UI Automation reads these too.
#include <windows.h>
#include <initguid.h>
#include <oleacc.h>

#include <string>

#include "platform/window/win32/win32_window.h"

namespace platform {

namespace {

IAccPropServices* Services() {
  static IAccPropServices* services = [] {
    IAccPropServices* made = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&made)))) {
      return static_cast<IAccPropServices*>(nullptr);
    }
    return made;
  }();
  return services;
}

void SetNumber(HWND hwnd, const MSAAPROPID& property, LONG number) {
  if (IAccPropServices* services = Services()) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    services->SetHwndProp(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, value);
  }
}

void SetText(HWND hwnd, const MSAAPROPID& property, const std::wstring& text) {
  if (IAccPropServices* services = Services()) {
    services->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, text.c_str());
  }
}

}  // namespace

void AnnotateHidden(HWND hwnd) { SetNumber(hwnd, PROPID_ACC_STATE, STATE_SYSTEM_INVISIBLE); }

void AnnotateName(HWND hwnd, const std::wstring& name) { SetText(hwnd, PROPID_ACC_NAME, name); }

void AnnotateProgressBar(HWND hwnd, const std::wstring& name) {
  SetNumber(hwnd, PROPID_ACC_ROLE, ROLE_SYSTEM_PROGRESSBAR);
  SetText(hwnd, PROPID_ACC_NAME, name);
  SetText(hwnd, PROPID_ACC_VALUE, L"0%");
}

void AnnotateValue(HWND hwnd, int percent) {
  // As a progress bar tells it: the percentage as text, and the change.
  SetText(hwnd, PROPID_ACC_VALUE, std::to_wstring(percent) + L"%");
  NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void AnnotateDescription(HWND hwnd, const std::wstring& description) {
  SetText(hwnd, PROPID_ACC_DESCRIPTION, description);
  NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace platform
