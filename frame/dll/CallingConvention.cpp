// On 32-bit Windows a host calls every interface operation with __stdcall: an operation declared
// without it would corrupt the host's stack. These checks stop such a build.
#include <type_traits>

#include "frame/CTamborak.h"
#include "frame/ComServer.h"
#include "frame/PanelPage.h"

#if defined(__i386__)
#define VELMORA_COM_CALL __attribute__((stdcall))

namespace velmora {
namespace {
#define SAME_CALL(type, member) std::is_same_v<type, decltype(member)>

static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL com::ObjectUnknown::*)(REFIID, void**), &com::ObjectUnknown::QueryInterface));
static_assert(SAME_CALL(ULONG (VELMORA_COM_CALL com::ObjectUnknown::*)(), &com::ObjectUnknown::Release));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL com::ObjectFactory::*)(IUnknown*, REFIID, void**), &com::ObjectFactory::CreateInstance));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL com::ObjectFactory::*)(BOOL), &com::ObjectFactory::LockServer));
static_assert(SAME_CALL(ULONG (VELMORA_COM_CALL CTamborak::*)(), &CTamborak::AddRef));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL MfxFilter::*)(IUnknown*), &MfxFilter::Connect));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL MfxFilter::*)(MfxTime, MfxTime, IMfxEventQueue*, IMfxEventQueue*), &MfxFilter::OnEvents));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL MfxFilter::*)(IMfxInputQueue*, IMfxInputQueue*), &MfxFilter::OnInput));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL MfxFilter::*)(IStream*, BOOL), &MfxFilter::Save));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL MfxFilter::*)(CAUUID*), &MfxFilter::GetPages));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL CTamborakPanel::*)(HWND, LPCRECT, BOOL), &CTamborakPanel::Activate));
static_assert(SAME_CALL(HRESULT (VELMORA_COM_CALL CTamborakPanel::*)(ULONG, IUnknown**), &CTamborakPanel::SetObjects));
// A plain member function must not pass: the check tells the conventions apart.
struct Plain {
  HRESULT call(IUnknown*);
};
static_assert(!SAME_CALL(HRESULT (VELMORA_COM_CALL Plain::*)(IUnknown*), &Plain::call));
}  // namespace
}  // namespace velmora
#endif
