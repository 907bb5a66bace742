// The Settings object of the settings component, created by its ProgID at run time and used late
// bound: the LogErrors property is found by name through the dispatch interface, as a script host
// would find it.
#pragma once

#include <oaidl.h>

#include <stdexcept>
#include <string>

class SettingsClient {
 public:
  // A failed call of the component: its HRESULT and the description it left.
  class Failure : public std::runtime_error {
   public:
    Failure(HRESULT inResult, const std::string& inDescription)
        : std::runtime_error(inDescription), mResult(inResult) {}
    HRESULT Result() const { return mResult; }

   private:
    HRESULT mResult;
  };

  SettingsClient() = default;
  ~SettingsClient();
  SettingsClient(const SettingsClient&) = delete;
  SettingsClient& operator=(const SettingsClient&) = delete;

  // Creates inProgID's object; throws Failure when it cannot be created.
  void Create(const char16_t* inProgID);
  bool IsCreated() const { return mObject != nullptr; }

  // LogErrors; throw Failure with the component's error description.
  bool LogErrors();
  void SetLogErrors(long inValue);

 private:
  DISPID LogErrorsID();
  void Invoke(WORD inFlags, DISPPARAMS& ioParams, VARIANT* outResult);

  IDispatch* mObject = nullptr;
};
