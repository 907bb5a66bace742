#include "document/PDFDrawingDoc.h"

#include <algorithm>
#include <memory>

#include "document/PDFBookmark.h"
#include "document/PDFCatalog.h"
#include "document/PDFImageObject.h"
#include "document/PDFImagePlacement.h"
#include "document/PDFLine.h"
#include "document/PDFObjectFactory.h"
#include "document/PDFOutlines.h"
#include "document/PDFPage.h"
#include "document/PDFPages.h"
#include "document/PDFRectangle.h"
#include "document/PDFText.h"
#include "fonts/BaseFont.h"
#include "fonts/FontInfo.h"
#include "images/ImageHeader.h"
#include "pdfcore/PDFDeflate.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFPlaceholder.h"
#include "runtime/Assert.h"
#include "runtime/ComError.h"

namespace {

// The object of that ID when it is active and of the class T (and so of its type tag).
template <class T>
T* FindAs(PDFSoup& inSoup, uint32_t inID, uint32_t inType) {
  return inID != 0 ? dynamic_cast<T*>(inSoup.FindTyped(inID, inType)) : nullptr;
}

}  // namespace

template <class T>
T* PDFDrawingDoc::AddObject(std::unique_ptr<T> inObject) {
  T* theObject = inObject.get();
  if (GetSoup().Add(std::move(inObject)) == nullptr)
    throw ComError(E_FAIL, "The document cannot hold another object.");
  return theObject;
}

void PDFDrawingDoc::CreateDefaultStructure() {
  PDFSoup& theSoup = GetSoup();
  PDFCatalog* theCat = AddObject(std::make_unique<PDFCatalog>(&theSoup, NewID()));
  PDFOutlines* theOut = AddObject(std::make_unique<PDFOutlines>(&theSoup, NewID()));
  PDFPages* thePages = AddObject(std::make_unique<PDFPages>(&theSoup, NewID()));
  theSoup.SetRootID(theCat->GetID());
  theCat->SetPages(thePages->GetID());
  theCat->SetOutlines(theOut->GetID());
}

PDFCatalog* PDFDrawingDoc::FindCatalog() {
  PDFSoup& theSoup = GetSoup();
  const uint32_t theRoot = theSoup.GetRootID();
  PDFCatalog* theCat = FindAs<PDFCatalog>(theSoup, theRoot, kTypeCatalog);
  if (theCat) return theCat;
  PDFObject* theOther = theRoot != 0 ? theSoup.FindByID(theRoot) : nullptr;
  if (theOther != nullptr) ReportAssertion(__FILE__, __LINE__, "!theCat");
  CreateDefaultStructure();
  theCat = FindAs<PDFCatalog>(theSoup, theSoup.GetRootID(), kTypeCatalog);
  QX_ASSERT(theCat);
  return theCat;
}

PDFDrawingDoc::PDFDrawingDoc() { GetSoup().SetObjectFactory(&PDFObjectFactory::Make); }

bool PDFDrawingDoc::AdoptRead(std::unique_ptr<PDFSoup> inSoup) {
  if (!inSoup) return false;
  inSoup->SetObjectFactory(&PDFObjectFactory::Make);
  // Without a catalog and its page tree the next save would build new ones and lose the pages.
  const PDFCatalog* theCat = FindAs<PDFCatalog>(*inSoup, inSoup->GetRootID(), kTypeCatalog);
  if (theCat == nullptr || FindAs<PDFPages>(*inSoup, theCat->GetPages(), kTypePages) == nullptr) return false;
  AdoptSoup(std::move(inSoup));
  // The fonts this document added are gone with its old table.
  mFonts.clear();
  mState.mCurrentPage = 0;
  SelectPage(-1);
  mState.mRect = mState.mMediaBox;
  mState.mPosition = PointRecord{mState.mRect.Left(), mState.mRect.Top()};
  return true;
}

PDFPages* PDFDrawingDoc::FindPageTree() {
  PDFCatalog* theCat = FindCatalog();
  if (theCat == nullptr) return nullptr;
  PDFSoup& theSoup = GetSoup();
  const uint32_t theID = theCat->GetPages();
  PDFPages* thePages = FindAs<PDFPages>(theSoup, theID, kTypePages);
  if (thePages) return thePages;
  if (theID != 0 && theSoup.FindByID(theID) != nullptr) ReportAssertion(__FILE__, __LINE__, "!thePages");
  thePages = AddObject(std::make_unique<PDFPages>(&theSoup, NewID()));
  theCat->SetPages(thePages->GetID());
  QX_ASSERT(thePages);
  return thePages;
}

PDFOutlines* PDFDrawingDoc::FindOutlines() {
  PDFCatalog* theCat = FindCatalog();
  if (theCat == nullptr) return nullptr;
  PDFSoup& theSoup = GetSoup();
  const uint32_t theID = theCat->GetOutlines();
  PDFOutlines* theOut = FindAs<PDFOutlines>(theSoup, theID, kTypeOutlines);
  if (theOut) return theOut;
  // A root read from a file without the optional /Type has no class of its own yet: it is taken
  // over with its bookmarks rather than replaced by an empty one.
  if (PDFObject* theRead = theID != 0 ? theSoup.FindByID(theID) : nullptr;
      theRead != nullptr && theRead->GetActive() && theRead->GetType() == kTypePlaceholder &&
      PDFAtom::IsDict(theRead->GetAtom())) {
    auto theTaken = std::make_unique<PDFOutlines>(&theSoup, theID, PDFAtom::Clone(theRead->GetAtom()),
                                                  theRead->GetGeneration());
    theTaken->TakeOver(*theRead);
    theTaken->SetCanDelete(false);
    theOut = static_cast<PDFOutlines*>(theSoup.Add(std::move(theTaken)));
    if (theOut) return theOut;
  }
  if (theID != 0 && theSoup.FindByID(theID) != nullptr) ReportAssertion(__FILE__, __LINE__, "!theOut");
  theOut = AddObject(std::make_unique<PDFOutlines>(&theSoup, NewID()));
  theCat->SetOutlines(theOut->GetID());
  QX_ASSERT(theOut);
  return theOut;
}

PDFPage* PDFDrawingDoc::CurrentPageOrNull() {
  return FindAs<PDFPage>(GetSoup(), static_cast<uint32_t>(mState.mCurrentPage), kTypePage);
}

PDFPage* PDFDrawingDoc::FindCurrentPage() {
  PDFPage* thePage = CurrentPageOrNull();
  if (thePage) return thePage;
  if (PDFPages* theTree = FindPageTree()) {
    thePage = FindAs<PDFPage>(GetSoup(), theTree->FindPageID(1), kTypePage);
    if (thePage) mState.mCurrentPage = static_cast<int32_t>(thePage->GetID());
  }
  if (!thePage) {
    mState.mCurrentPage = static_cast<int32_t>(AddPage(-1));
    thePage = CurrentPageOrNull();
  }
  QX_ASSERT(thePage);
  return thePage;
}

uint32_t PDFDrawingDoc::AddPage(int32_t inPosition) {
  PDFPages* theRoot = FindPageTree();
  PDFCatalog* theCat = FindCatalog();
  if (theRoot == nullptr || theCat == nullptr) return 0;
  PDFSoup& theSoup = GetSoup();
  PDFPage* thePage = AddObject(std::make_unique<PDFPage>(&theSoup, NewID()));
  thePage->SetAddedByDoc(true);
  thePage->SetMediaBox(mState.mMediaBox);
  if (PDFObject* theNode = theRoot->InsertPage(thePage->GetID(), thePage->GetGeneration(), inPosition))
    thePage->SetParent(theNode->GetID(), theNode->GetGeneration());
  if (theRoot->Count() == 1) theCat->SetOpenAction(thePage->GetID());
  return thePage->GetID();
}

void PDFDrawingDoc::SelectPage(int32_t inID) {
  if (inID == mState.mCurrentPage) return;
  mState.mCurrentPage = inID;
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return;
  thePage->GetMediaBox(mState.mMediaBox);
  mState.mPosition = PointRecord{mState.mRect.Left(), mState.mRect.Top()};
}

uint32_t PDFDrawingDoc::AddFont(std::string_view inName, bool inEmbed) {
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  BaseFont* theFont = FontInfo::Get().FindByNameOrNumber(inName);
  if (theFont == nullptr) return 0;
  const uint32_t theID = theFont->WriteFontObject(*this, inEmbed);
  if (theID == 0) return 0;
  thePage->AddFontResource(theID, 0);
  mFonts[theID] = theFont;
  return theID;
}

const BaseFont* PDFDrawingDoc::FindCurrentFont() {
  const uint32_t theCurrent = static_cast<uint32_t>(mState.mCurrentFont);
  if (theCurrent != 0 && GetSoup().FindTyped(theCurrent, kTypeFont) != nullptr) {
    const auto theFound = mFonts.find(theCurrent);
    if (theFound != mFonts.end()) return theFound->second;
  }
  const uint32_t theDefault = AddFont("", false);
  mState.mCurrentFont = static_cast<int32_t>(theDefault);
  const auto theFound = mFonts.find(theDefault);
  const BaseFont* theFont = theFound != mFonts.end() ? theFound->second : nullptr;
  QX_ASSERT(theFont);
  return theFont;
}

uint32_t PDFDrawingDoc::AddText(std::u16string_view inText) {
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  const BaseFont* theFont = FindCurrentFont();
  TextBlockState theState;
  if (!mLastText.Holds(inText)) mLastText = SharedText(std::u16string(inText));
  theState.text = mLastText;
  theState.fontID = theFont != nullptr ? mState.mCurrentFont : 0;
  theState.font = theFont;
  theState.pos = mState.mPosition;
  theState.rect = mState.mRect;
  theState.color = mState.mColor;
  theState.style = mState.mTextStyle;
  theState.transform = PDFText::MatrixText(mState.mTransform);
  theState.hPos = mState.mHPos;
  theState.vPos = mState.mVPos;
  // The text takes its ID before it is measured. A text that places no character (too small, no
  // font, empty) is discarded: its ID stays unused (a free entry) and the position stays where it
  // was.
  const uint32_t theID = NewID();
  TextContent theContent(std::move(theState));
  if (!theContent.WritesSomething()) return 0;
  const PointRecord theEnd = theContent.EndPosition();
  if (theContent.GetCharacters() == 0 || (theEnd.x == mState.mPosition.x && theEnd.y == mState.mPosition.y)) return 0;
  PDFText* theText = AddObject(std::make_unique<PDFText>(&GetSoup(), theID, std::move(theContent)));
  thePage->AddContent(theText->GetID(), theText->GetGeneration(), mState.mLayer);
  thePage->AddFontResource(static_cast<uint32_t>(mState.mCurrentFont), 0);
  mState.mPosition = theEnd;
  return theText->GetID();
}

uint32_t PDFDrawingDoc::AddLine(int32_t inStartX, int32_t inStartY, int32_t inEndX, int32_t inEndY) {
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  PDFSoup& theSoup = GetSoup();
  PDFLine* theLine = AddObject(std::make_unique<PDFLine>(&theSoup, NewID()));
  theLine->SetWidth(mState.mWidth);
  theLine->Color() = mState.mColor;
  theLine->AddPoint(PointRecord{inStartX, inStartY});
  theLine->AddPoint(PointRecord{inEndX, inEndY});
  theLine->Transform() = mState.mTransform;
  thePage->AddContent(theLine->GetID(), theLine->GetGeneration(), mState.mLayer);
  return theLine->GetID();
}

uint32_t PDFDrawingDoc::FrameRect() {
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  PDFSoup& theSoup = GetSoup();
  PDFRectangle* theRect = AddObject(std::make_unique<PDFRectangle>(&theSoup, NewID()));
  theRect->SetStroke(1);
  theRect->SetFill(0);
  theRect->SetWidth(mState.mWidth);
  theRect->StrokeColor() = mState.mColor;
  theRect->Rect() = mState.mRect;
  theRect->Transform() = mState.mTransform;
  thePage->AddContent(theRect->GetID(), theRect->GetGeneration(), mState.mLayer);
  return theRect->GetID();
}

uint32_t PDFDrawingDoc::FillRect() {
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  PDFSoup& theSoup = GetSoup();
  PDFRectangle* theRect = AddObject(std::make_unique<PDFRectangle>(&theSoup, NewID()));
  theRect->SetStroke(0);
  theRect->SetFill(1);
  theRect->SetWidth(0.0);
  theRect->FillColor() = mState.mColor;
  theRect->Rect() = mState.mRect;
  theRect->Transform() = mState.mTransform;
  thePage->AddContent(theRect->GetID(), theRect->GetGeneration(), mState.mLayer);
  return theRect->GetID();
}

uint32_t PDFDrawingDoc::AddJPEG(std::span<const uint8_t> inData) {
  if (inData.size() > UINT32_MAX) return 0;
  ImageHeader theHeader;
  theHeader.Recognise(inData.data(), static_cast<uint32_t>(inData.size()));
  int32_t theComponents = 0;
  switch (theHeader.GetKind()) {
    case ImageHeader::kJPEGGrey:
      theComponents = 1;
      break;
    case ImageHeader::kJPEGRGB:
      theComponents = 3;
      break;
    case ImageHeader::kJPEGCMYK:
      theComponents = 4;
      break;
    default:
      return 0;
  }
  PDFImageObject* theImage = nullptr;
  const uint32_t thePlacement = AddPlacedImage(inData, theComponents, theHeader.GetWidth(), theHeader.GetHeight(),
                                               "DCTDecode", theImage);
  if (theImage != nullptr && theComponents == 4 && theHeader.HasAdobe()) theImage->SetInvertedCMYK(true);
  return thePlacement;
}

uint32_t PDFDrawingDoc::AddRawRGB(std::span<const uint8_t> inData, int32_t inWidth, int32_t inHeight) {
  const int64_t thePixels = int64_t{inWidth} * int64_t{inHeight};
  if (!(thePixels > 0)) ReportAssertion(__FILE__, __LINE__, "inWidth * inHeight > 0");
  if (!(inData.data() != nullptr || thePixels == 0))
    ReportAssertion(__FILE__, __LINE__, "(inData) || (inWidth * inHeight == 0)");
  if (thePixels <= 0 || thePixels > INT32_MAX / 3) return 0;
  const size_t theSize = static_cast<size_t>(thePixels) * 3;
  // Fewer bytes than the picture needs would have the compression read past them.
  if (inData.size() < theSize) return 0;
  // One zlib stream at the default level; the compressed bytes are handed to the image object.
  std::vector<uint8_t> theCompressed;
  if (!PDFDeflate::Compress(inData.first(theSize), theCompressed)) return 0;
  return AddImageObject(std::move(theCompressed), 3, inWidth, inHeight, "FlateDecode");
}

void PDFDrawingDoc::PlaceOnPage(PDFPage& ioPage, PDFImagePlacement& ioPlacement, uint32_t inImageID,
                                int32_t inWidth, int32_t inHeight) {
  ioPlacement.SetImage(inImageID);
  RectRecord& theRect = ioPlacement.Rect();
  theRect = mState.mRect;
  ioPlacement.Transform() = mState.mTransform;
  // An empty rectangle takes the image's natural size, one point per pixel, from its lower left
  // corner: the larger coordinate (the second when both are equal) moves.
  if (theRect.Width() == 0 || theRect.Height() == 0) {
    const int32_t theRight = static_cast<int32_t>(int64_t{theRect.Left()} + inWidth);
    const int32_t theTop = static_cast<int32_t>(int64_t{theRect.Bottom()} + inHeight);
    (theRect.x1 > theRect.x2 ? theRect.x1 : theRect.x2) = theRight;
    (theRect.y1 > theRect.y2 ? theRect.y1 : theRect.y2) = theTop;
  }
  ioPage.AddContent(ioPlacement.GetID(), ioPlacement.GetGeneration(), mState.mLayer);
  ioPage.AddXObjectResource(inImageID, 0);
}

uint32_t PDFDrawingDoc::AddImageObject(ImageData inData, int32_t inComponents, int32_t inWidth, int32_t inHeight,
                                       std::string_view inFilter) {
  PDFImageObject* theImage = nullptr;
  return AddPlacedImage(std::move(inData), inComponents, inWidth, inHeight, inFilter, theImage);
}

uint32_t PDFDrawingDoc::AddPlacedImage(ImageData inData, int32_t inComponents, int32_t inWidth,
                                       int32_t inHeight, std::string_view inFilter, PDFImageObject*& outImage) {
  outImage = nullptr;
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  PDFSoup& theSoup = GetSoup();
  PDFImageObject* theImage = AddObject(std::make_unique<PDFImageObject>(&theSoup, NewID()));
  PDFImagePlacement* thePlacement = AddObject(std::make_unique<PDFImagePlacement>(&theSoup, NewID()));
  theImage->SetWidth(inWidth);
  theImage->SetHeight(inHeight);
  theImage->SetComponents(inComponents);
  theImage->SetFilter(inFilter);
  if (auto* theOwned = std::get_if<std::vector<uint8_t>>(&inData))
    theImage->SetData(std::move(*theOwned));
  else
    theImage->SetData(std::get<std::span<const uint8_t>>(inData));
  PlaceOnPage(*thePage, *thePlacement, theImage->GetID(), inWidth, inHeight);
  outImage = theImage;
  return thePlacement->GetID();
}

uint32_t PDFDrawingDoc::PlaceImage(uint32_t inID) {
  PDFSoup& theSoup = GetSoup();
  const auto* theOld = FindAs<PDFImagePlacement>(theSoup, inID, kTypeImagePlacement);
  if (theOld == nullptr) return 0;
  const uint32_t theImageID = theOld->GetImage();
  const auto* theImage = FindAs<PDFImageObject>(theSoup, theImageID, kTypeImage);
  if (theImage == nullptr) return 0;
  const int32_t theWidth = theImage->GetWidth();
  const int32_t theHeight = theImage->GetHeight();
  PDFPage* thePage = FindCurrentPage();
  if (thePage == nullptr) return 0;
  PDFImagePlacement* thePlacement = AddObject(std::make_unique<PDFImagePlacement>(&theSoup, NewID()));
  PlaceOnPage(*thePage, *thePlacement, theImageID, theWidth, theHeight);
  return thePlacement->GetID();
}

int32_t PDFDrawingDoc::LayerCount() {
  PDFPage* thePage = FindCurrentPage();
  return thePage != nullptr ? thePage->LayerCount() : 0;
}

uint32_t PDFDrawingDoc::Flatten() {
  const uint32_t theID = NewID();
  // Only a merge frees IDs; without one the cursor stays, so the ID returned is not handed out
  // again.
  PDFPage* thePage = FindCurrentPage();
  if (thePage != nullptr && thePage->Flatten(theID)) GetSoup().ResetCursor();
  return theID;
}

std::string PDFDrawingDoc::GetInfo(uint32_t inID, std::string_view inKey) {
  PDFObject* theObj = GetSoup().FindByID(inID);
  if (theObj == nullptr || !theObj->GetActive()) return {};
  PDFMemoryStream theText;
  theObj->GetProperty(inKey, theText);
  // Objects outside the document model (the trailer, for one) still answer the common keys.
  if (theText.GetLength() == 0) PDFTypedObject::WriteCommonInfo(*theObj, inKey, theText);
  return std::string(theText.GetView());
}

void PDFDrawingDoc::SetInfo(uint32_t inID, std::string_view inKey, std::string_view inText) {
  PDFObject* theObj = GetSoup().FindByID(inID);
  if (theObj == nullptr || !theObj->GetActive()) return;
  theObj->SetProperty(inKey, inText);
}

uint32_t PDFDrawingDoc::AddObjectText(std::string_view inText) {
  PDFSoup& theSoup = GetSoup();
  const uint32_t theID = NewID();
  // The whole text is kept, however long: the object is parsed from exactly what was given.
  auto thePlaceholder = std::make_unique<PDFPlaceholder>(&theSoup, theID, 0, inText);
  std::unique_ptr<PDFObject> theTyped = thePlaceholder->Materialize();
  if (theTyped) {
    theTyped->TakeOver(*thePlaceholder);
    AddObject(std::move(theTyped));
  } else {
    AddObject(std::move(thePlaceholder));
  }
  return theID;
}

void PDFDrawingDoc::Delete(uint32_t inID) {
  // An outline item read from a file becomes a bookmark first, so that it unlinks itself.
  PDFBookmark::FromReference(&GetSoup(), inID);
  DeleteObject(inID);
}

uint32_t PDFDrawingDoc::AddBookmark(std::string_view inPath, bool inExpanded) {
  PDFOutlines* theRoot = FindOutlines();
  PDFPage* thePage = FindCurrentPage();
  if (theRoot == nullptr || thePage == nullptr) return 0;
  const uint32_t thePageID = thePage->GetID();
  const uint32_t thePageGeneration = thePage->GetGeneration();
  PDFSoup& theSoup = GetSoup();
  // Objects are only ever replaced when an outline item read from a file is taken over, which
  // never touches the root, a page or an existing bookmark: the pointers held here stay valid.
  PDFBookmark* theParent = nullptr;
  std::string_view theRest = inPath;
  for (;;) {
    const size_t theCut = theRest.find('\\');
    // Compared as it will be stored, so that the same path finds what it made.
    const std::string_view theTitle = PDFBookmark::StoredTitle(theRest.substr(0, theCut));
    PDFBookmark* theBook = theParent != nullptr ? PDFBookmark::FindChild(theSoup, *theParent, theTitle)
                                                : theRoot->FindChild(theTitle);
    if (theBook == nullptr) {
      theBook = AddObject(std::make_unique<PDFBookmark>(&theSoup, NewID()));
      theBook->SetTitle(theTitle);
      theBook->SetOpenFlag(inExpanded);
      if (theParent != nullptr)
        theParent->AppendChild(*theBook);
      else
        theRoot->AppendChild(*theBook);
    }
    if (theCut == std::string_view::npos) {
      theBook->SetDestination(thePageID, thePageGeneration);
      return theBook->GetID();
    }
    theRest = theRest.substr(theCut + 1);
    theParent = theBook;
  }
}

int64_t PDFDrawingDoc::ValidatePageTree(std::string* outMessage) {
  PDFPages* theTree = FindPageTree();
  return theTree != nullptr ? theTree->ValidateTree(outMessage) : 0;
}
