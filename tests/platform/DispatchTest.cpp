// The member-table dispatch helper: name lookup, Invoke's argument rules and errors, and the type
// information derived from the table.
#include <gtest/gtest.h>

#include <dispimpl.h>

#include <string>
#include <vector>

namespace {

constexpr IID IID_ICalc = {0x1A2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

struct ICalc : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Total(LONG* outTotal) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Total(LONG inTotal) = 0;
  virtual HRESULT STDMETHODCALLTYPE Add(LONG inValue, VARIANT inTimes, LONG* outTotal) = 0;
  virtual HRESULT STDMETHODCALLTYPE Name(BSTR inFirst, double inScale, BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE Broken() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Label(BSTR* outLabel) = 0;

 protected:
  ~ICalc() = default;
};

class Calc final : public QxDispatchObject<Calc, ICalc, IID_ICalc> {
 public:
  static const QxInterface& Describe() {
    static const QxInterface sInterface{u"ICalc",
                                        IID_ICalc,
                                        u"A calculator",
                                        {
                                            QxPropGet<&ICalc::get_Total>(1, u"Total", u"The running total."),
                                            QxPropPut<&ICalc::put_Total>(1, u"Total", u"The running total."),
                                            QxMethod<&ICalc::Add>(2, u"Add", u"Adds a value, once or more.",
                                                                  {u"Value", QxOptional(u"Times")}),
                                            QxMethod<&ICalc::Name>(3, u"Name", u"Joins a name and a number.",
                                                                   {u"First", u"Scale"}),
                                            QxMethod<&ICalc::Broken>(4, u"Broken", u"Always fails."),
                                            QxPropGet<&ICalc::get_Label>(DISPID_VALUE, u"Label", u"The label."),
                                        }};
    return sInterface;
  }

  HRESULT STDMETHODCALLTYPE get_Total(LONG* outTotal) override {
    *outTotal = mTotal;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Total(LONG inTotal) override {
    mTotal = inTotal;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Add(LONG inValue, VARIANT inTimes, LONG* outTotal) override {
    mLastTimesType = V_VT(&inTimes);
    LONG theTimes = 1;
    if (V_VT(&inTimes) == VT_I4) theTimes = V_I4(&inTimes);
    mTotal += inValue * theTimes;
    *outTotal = mTotal;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Name(BSTR inFirst, double inScale, BSTR* outText) override {
    std::u16string theText(inFirst, SysStringLen(inFirst));
    theText += inScale > 1 ? u" big" : u" small";
    *outText = SysAllocString(theText.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Broken() override {
    ICreateErrorInfo* theCreate = nullptr;
    CreateErrorInfo(&theCreate);
    theCreate->SetSource(const_cast<LPOLESTR>(u"Calc"));
    theCreate->SetDescription(const_cast<LPOLESTR>(u"It broke."));
    IErrorInfo* theInfo = nullptr;
    theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&theInfo));
    SetErrorInfo(0, theInfo);
    theInfo->Release();
    theCreate->Release();
    return E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE get_Label(BSTR* outLabel) override {
    *outLabel = SysAllocString(u"calc");
    return S_OK;
  }

  VARTYPE mLastTimesType = VT_EMPTY;

 private:
  ~Calc() override = default;
  LONG mTotal = 0;
};

struct CalcFixture : ::testing::Test {
  Calc* calc = new Calc();
  ~CalcFixture() override { calc->Release(); }

  DISPID Id(const char16_t* inName) {
    std::u16string theName(inName);
    LPOLESTR theNames[1] = {theName.data()};
    DISPID theID = 0;
    EXPECT_EQ(calc->GetIDsOfNames(IID_NULL, theNames, 1, 0, &theID), S_OK);
    return theID;
  }

  HRESULT Call(DISPID inID, WORD inFlags, std::vector<VARIANT> inArgs, VARIANT* outResult, UINT* outArgErr = nullptr,
               EXCEPINFO* outExcep = nullptr) {
    DISPPARAMS theParams{inArgs.empty() ? nullptr : inArgs.data(), nullptr, static_cast<UINT>(inArgs.size()), 0};
    return calc->Invoke(inID, IID_NULL, 0, inFlags, &theParams, outResult, outExcep, outArgErr);
  }
};

VARIANT Long(LONG inValue) {
  VARIANT theVar;
  VariantInit(&theVar);
  V_VT(&theVar) = VT_I4;
  V_I4(&theVar) = inValue;
  return theVar;
}

}  // namespace

TEST_F(CalcFixture, NamesAreFoundWithoutRegardToCase) {
  EXPECT_EQ(Id(u"TOTAL"), 1);
  EXPECT_EQ(Id(u"add"), 2);
  std::u16string theUnknown = u"Subtract";
  LPOLESTR theNames[1] = {theUnknown.data()};
  DISPID theID = 0;
  EXPECT_EQ(calc->GetIDsOfNames(IID_NULL, theNames, 1, 0, &theID), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(theID, DISPID_UNKNOWN);
  // Parameter names map to their positions.
  std::u16string theMethod = u"Add", theParam = u"times", theWrong = u"nope";
  LPOLESTR theThree[3] = {theMethod.data(), theParam.data(), theWrong.data()};
  DISPID theIDs[3] = {};
  EXPECT_EQ(calc->GetIDsOfNames(IID_NULL, theThree, 3, 0, theIDs), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(theIDs[0], 2);
  EXPECT_EQ(theIDs[1], 1);
  EXPECT_EQ(theIDs[2], DISPID_UNKNOWN);
}

TEST_F(CalcFixture, PropertiesGetAndPut) {
  VARIANT theResult;
  VariantInit(&theResult);
  VARIANT theValue = Long(12);
  DISPID theNamed = DISPID_PROPERTYPUT;
  DISPPARAMS thePut{&theValue, &theNamed, 1, 1};
  ASSERT_EQ(calc->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &thePut, nullptr, nullptr, nullptr), S_OK);
  // Script engines ask for a method and a property at once.
  ASSERT_EQ(Call(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &theResult), S_OK);
  EXPECT_EQ(V_VT(&theResult), VT_I4);
  EXPECT_EQ(V_I4(&theResult), 12);
  // A put without the named argument is refused.
  DISPPARAMS theUnnamed{&theValue, nullptr, 1, 0};
  EXPECT_EQ(calc->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &theUnnamed, nullptr, nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  // Text that reads as a number converts.
  VARIANT theText;
  V_VT(&theText) = VT_BSTR;
  V_BSTR(&theText) = SysAllocString(u"40");
  DISPPARAMS theTextPut{&theText, &theNamed, 1, 1};
  ASSERT_EQ(calc->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &theTextPut, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Call(1, DISPATCH_PROPERTYGET, {}, &theResult), S_OK);
  EXPECT_EQ(V_I4(&theResult), 40);
  VariantClear(&theText);
  EXPECT_EQ(Call(99, DISPATCH_METHOD, {}, &theResult), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(4, DISPATCH_PROPERTYPUT, {}, &theResult), DISP_E_MEMBERNOTFOUND);
}

TEST_F(CalcFixture, OptionalArgumentsAndCounts) {
  VARIANT theResult;
  VariantInit(&theResult);
  ASSERT_EQ(Call(2, DISPATCH_METHOD, {Long(5)}, &theResult), S_OK);
  EXPECT_EQ(calc->mLastTimesType, VT_ERROR);  // missing: VT_ERROR with DISP_E_PARAMNOTFOUND
  EXPECT_EQ(V_I4(&theResult), 5);
  // Arguments arrive last first: Add(Value=2, Times=3).
  ASSERT_EQ(Call(2, DISPATCH_METHOD, {Long(3), Long(2)}, &theResult), S_OK);
  EXPECT_EQ(V_I4(&theResult), 11);
  EXPECT_EQ(Call(2, DISPATCH_METHOD, {}, &theResult), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(2, DISPATCH_METHOD, {Long(1), Long(2), Long(3)}, &theResult), DISP_E_BADPARAMCOUNT);
  DISPID theNamed = 0;
  VARIANT theArg = Long(1);
  DISPPARAMS theParams{&theArg, &theNamed, 1, 1};
  EXPECT_EQ(calc->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &theParams, &theResult, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
}

TEST_F(CalcFixture, TypeMismatchNamesTheArgument) {
  VARIANT theResult;
  VariantInit(&theResult);
  VARIANT theWord;
  V_VT(&theWord) = VT_BSTR;
  V_BSTR(&theWord) = SysAllocString(u"many");
  VARIANT theFirst;
  V_VT(&theFirst) = VT_BSTR;
  V_BSTR(&theFirst) = SysAllocString(u"x");
  UINT theArgErr = 99;
  // Name(First="x", Scale="many"): the bad one is rgvarg[0].
  EXPECT_EQ(Call(3, DISPATCH_METHOD, {theWord, theFirst}, &theResult, &theArgErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(theArgErr, 0u);
  VARIANT theScale = Long(5);
  ASSERT_EQ(Call(3, DISPATCH_METHOD, {theScale, theFirst}, &theResult), S_OK);
  EXPECT_EQ(std::u16string(V_BSTR(&theResult)), u"x big");
  VariantClear(&theResult);
  // By-reference arguments are followed.
  double theValue = 0.5;
  VARIANT theRef;
  V_VT(&theRef) = VT_BYREF | VT_R8;
  V_BYREF(&theRef) = &theValue;
  ASSERT_EQ(Call(3, DISPATCH_METHOD, {theRef, theFirst}, &theResult), S_OK);
  EXPECT_EQ(std::u16string(V_BSTR(&theResult)), u"x small");
  VariantClear(&theResult);
  VariantClear(&theWord);
  VariantClear(&theFirst);
}

TEST_F(CalcFixture, FailingMembersFillExcepInfo) {
  VARIANT theResult;
  VariantInit(&theResult);
  EXCEPINFO theExcep{};
  ASSERT_EQ(Call(4, DISPATCH_METHOD, {}, &theResult, nullptr, &theExcep), DISP_E_EXCEPTION);
  EXPECT_EQ(theExcep.scode, E_FAIL);
  EXPECT_EQ(std::u16string(theExcep.bstrSource), u"Calc");
  EXPECT_EQ(std::u16string(theExcep.bstrDescription), u"It broke.");
  SysFreeString(theExcep.bstrSource);
  SysFreeString(theExcep.bstrDescription);
  SysFreeString(theExcep.bstrHelpFile);
  // Without EXCEPINFO the member's own result comes back.
  EXPECT_EQ(Call(4, DISPATCH_METHOD, {}, &theResult, nullptr, nullptr), E_FAIL);
  IErrorInfo* theInfo = nullptr;
  EXPECT_EQ(GetErrorInfo(0, &theInfo), S_OK);  // still there for the caller
  theInfo->Release();
}

TEST_F(CalcFixture, TypeInformationComesFromTheTable) {
  ITypeInfo* theInfo = nullptr;
  ASSERT_EQ(calc->GetTypeInfo(0, 0, &theInfo), S_OK);
  TYPEATTR* theAttr = nullptr;
  ASSERT_EQ(theInfo->GetTypeAttr(&theAttr), S_OK);
  EXPECT_TRUE(IsEqualGUID(theAttr->guid, IID_ICalc));
  EXPECT_EQ(theAttr->typekind, TKIND_DISPATCH);
  EXPECT_EQ(theAttr->cFuncs, 6);
  EXPECT_TRUE(theAttr->wTypeFlags & TYPEFLAG_FDUAL);
  theInfo->ReleaseTypeAttr(theAttr);

  FUNCDESC* theDesc = nullptr;
  ASSERT_EQ(theInfo->GetFuncDesc(2, &theDesc), S_OK);
  EXPECT_EQ(theDesc->memid, 2);
  EXPECT_EQ(theDesc->invkind, INVOKE_FUNC);
  ASSERT_EQ(theDesc->cParams, 2);
  EXPECT_EQ(theDesc->lprgelemdescParam[0].tdesc.vt, VT_I4);
  EXPECT_EQ(theDesc->lprgelemdescParam[1].tdesc.vt, VT_VARIANT);
  EXPECT_TRUE(theDesc->lprgelemdescParam[1].paramdesc.wParamFlags & PARAMFLAG_FOPT);
  EXPECT_EQ(theDesc->elemdescFunc.tdesc.vt, VT_I4);
  theInfo->ReleaseFuncDesc(theDesc);
  EXPECT_EQ(theInfo->GetFuncDesc(6, &theDesc), TYPE_E_ELEMENTNOTFOUND);

  BSTR theNames[4] = {};
  UINT theCount = 0;
  ASSERT_EQ(theInfo->GetNames(2, theNames, 4, &theCount), S_OK);
  ASSERT_EQ(theCount, 3u);
  EXPECT_EQ(std::u16string(theNames[0]), u"Add");
  EXPECT_EQ(std::u16string(theNames[2]), u"Times");
  for (UINT i = 0; i < theCount; ++i) SysFreeString(theNames[i]);

  BSTR theName = nullptr, theDoc = nullptr;
  ASSERT_EQ(theInfo->GetDocumentation(1, &theName, &theDoc, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(theName), u"Total");
  EXPECT_EQ(std::u16string(theDoc), u"The running total.");
  SysFreeString(theName);
  SysFreeString(theDoc);
  theInfo->Release();
}

TEST(TypeLibrary, AttributesDocumentationAndLookup) {
  static const QxTypeLibrary sLibrary{u"CalcLib", IID_ICalc, 1, 0, 0x409, u"Calculators", {&Calc::Describe()},
                                      {{u"Calc", IID_NULL, u"Calc Class", &Calc::Describe()}}};
  ITypeLib* theLib = nullptr;
  ASSERT_EQ(QxCreateTypeLib(sLibrary, &theLib), S_OK);
  EXPECT_EQ(theLib->GetTypeInfoCount(), 2u);
  TLIBATTR* theAttr = nullptr;
  ASSERT_EQ(theLib->GetLibAttr(&theAttr), S_OK);
  EXPECT_EQ(theAttr->wMajorVerNum, 1);
  EXPECT_EQ(theAttr->lcid, 0x409u);
  theLib->ReleaseTLibAttr(theAttr);
  BSTR theName = nullptr, theDoc = nullptr;
  ASSERT_EQ(theLib->GetDocumentation(-1, &theName, &theDoc, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(theName), u"CalcLib");
  EXPECT_EQ(std::u16string(theDoc), u"Calculators");
  SysFreeString(theName);
  SysFreeString(theDoc);
  ITypeInfo* theInfo = nullptr;
  ASSERT_EQ(theLib->GetTypeInfoOfGuid(IID_ICalc, &theInfo), S_OK);
  ITypeLib* theContaining = nullptr;
  UINT theIndex = 9;
  EXPECT_EQ(theInfo->GetContainingTypeLib(&theContaining, &theIndex), S_OK);
  EXPECT_EQ(theIndex, 0u);
  theContaining->Release();
  theInfo->Release();
  TYPEKIND theKind;
  EXPECT_EQ(theLib->GetTypeInfoType(1, &theKind), S_OK);
  EXPECT_EQ(theKind, TKIND_COCLASS);
  theLib->Release();
}
