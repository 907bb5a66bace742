// What every in-process server module of the library does the same way: class factories made on
// first request and cached, the lock count, the registry entries of its classes and its type
// library. A module describes itself once (ProgID prefix, threading model, library identity,
// class table) and its four entry points call this.
#pragma once

#include <dispimpl.h>

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// One creatable class of a module.
struct ClassEntry {
  const CLSID* clsid;
  const char16_t* name;         // "XRect"
  const char16_t* description;  // "XRect Class"
  const QxInterface& (*describe)();
  HRESULT (*create)(REFIID inIID, void** outObject);
};

class ServerModule {
 public:
  struct Identity {
    const char16_t* progIDPrefix;    // "Quorix2": ProgIDs are Prefix.Name.1 and Prefix.Name
    const char16_t* threadingModel;  // "Both", "Apartment"
    const char16_t* libraryName;     // "Quorix2"
    const char16_t* libraryHelp;
    GUID libid;
  };

  ServerModule(const Identity& inIdentity, std::span<const ClassEntry> inClasses, QxModuleCount& inCount);
  ~ServerModule();
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  // The entry points' work.
  HRESULT GetClassObject(REFCLSID inClsid, REFIID inIID, void** outObject);
  HRESULT CanUnloadNow() const { return mCount.count.load() == 0 ? S_OK : S_FALSE; }
  // Writes every class's entries, then registers the type library; stops at the first failure.
  HRESULT RegisterServer(const std::string& inModulePath);
  // Removes every class's entries, then the type library's; stops at the first failure.
  HRESULT UnregisterServer();
  const QxTypeLibrary& Library() const { return mLibrary; }

  // The full path of the module that holds inAddress (a function of the module).
  static std::string PathOfModule(const void* inAddress);

 private:
  class Factory;

  HRESULT RegisterClass(const ClassEntry& inClass, const std::u16string& inModule) const;
  HRESULT UnregisterClass(const ClassEntry& inClass) const;
  HRESULT UnregisterLibrary() const;

  Identity mIdentity;
  std::span<const ClassEntry> mClasses;
  QxModuleCount& mCount;
  QxTypeLibrary mLibrary;
  std::mutex mMutex;  // guards the lazy creation of factories
  std::vector<std::unique_ptr<Factory>> mFactories;
};
