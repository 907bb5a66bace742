// The Automation class Settings: the machine-wide LogErrors preference, read and written for a
// program or script that should not touch the registry itself. It holds no state of its own.
#pragma once

#include <dispimpl.h>

#include "settings/QuorixUtils2.h"

// Live objects and server locks of the quorixutils module.
QxModuleCount& UtilsModuleCount();

class Settings final : public QxDispatchObject<Settings, ISettings, IID_ISettings> {
 public:
  static const QxInterface& Describe();
  static HRESULT CreateInstance(REFIID inIID, void** outObject);

  // True (-1) when the preference is set to anything but 0, else False (0).
  HRESULT STDMETHODCALLTYPE get_LogErrors(VARIANT_BOOL* outValue) override;
  // Stores 1 for any non-zero value, else 0. A store the caller may not change leaves the value
  // as it was and is not reported: the next read shows it.
  HRESULT STDMETHODCALLTYPE put_LogErrors(VARIANT_BOOL inValue) override;

 private:
  Settings() : QxDispatchObject(&UtilsModuleCount()) {}
  ~Settings() override = default;
};
