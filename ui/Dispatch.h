#pragma once
// The part of IDispatch that a COM object of this program never needs: its
// callers (a screen reader, the browser control sending its events) call
// its methods or Invoke directly, so it offers no type information and
// looks up no names. A class implements Interface (IDispatch or an
// interface built on it) through this and writes only Invoke.
#include <windows.h>
#include <oaidl.h>

namespace qv::ui {

template <class Interface> class UntypedDispatch : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
};

} // namespace qv::ui
