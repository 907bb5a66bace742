// A document with its drawing state and the document model's operations: the catalog, page tree
// and outline root (made together on first need), pages added at a position, the current page,
// lines and rectangles on it, content layers, Flatten, and object information and deletion by ID.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <variant>
#include <vector>
#include <string>
#include <string_view>

#include "document/DrawingState.h"
#include "fonts/TextContent.h"
#include "pdfcore/PDFDoc.h"

class BaseFont;
class PDFCatalog;
class PDFImageObject;
class PDFImagePlacement;
class PDFOutlines;
class PDFPage;
class PDFPages;

class PDFDrawingDoc : public PDFDoc {
 public:
  // Registers the document model's classes as the factory for objects parsed in its table.
  PDFDrawingDoc();

  // Replaces the document by a table read from a file (PDFReader) when its trailer's Root is a
  // catalog with a page tree: the first page becomes current, the drawing rectangle becomes its
  // media box and the position the rectangle's top-left corner. Otherwise returns false and the
  // document stays as it was.
  bool AdoptRead(std::unique_ptr<PDFSoup> inSoup);

  DrawingState& State() { return mState; }

  // The catalog named by the trailer's Root; the default structure is made when there is none.
  PDFCatalog* FindCatalog();
  // The page tree root named by the catalog; a new one when it names none.
  PDFPages* FindPageTree();
  // The outline root named by the catalog; a new one when it names none.
  PDFOutlines* FindOutlines();
  // The current page; else the first page (which becomes current); else a new appended page.
  PDFPage* FindCurrentPage();
  // A catalog, an outline root and a page tree root, in this order, with the trailer's Root set.
  void CreateDefaultStructure();
  // A new page with the document's media box, inserted before page inPosition (0 first; -1 or
  // past the count last). The current page does not change. Returns its ID.
  uint32_t AddPage(int32_t inPosition);
  // Makes inID the current page (or, when it names none, as FindCurrentPage says); takes its
  // media box and moves the position to the drawing rectangle's top-left corner.
  void SelectPage(int32_t inID);

  // Content on the current page at the current layer; each returns the new object's ID.
  // Adds the font of the registry named inName (or numbered by it) to the document and registers
  // it as a resource of the current page; 0 when no font matches. The current font is unchanged.
  uint32_t AddFont(std::string_view inName, bool inEmbed);
  // The current font, which falls back to Times-Roman (then made current); null when none.
  const BaseFont* FindCurrentFont();
  // Lays inText out in the drawing rectangle from the current position and adds it to the current
  // page; moves the position to where the text ended. 0 when nothing was placed: the position
  // then stays where it was.
  uint32_t AddText(std::u16string_view inText);

  uint32_t AddLine(int32_t inStartX, int32_t inStartY, int32_t inEndX, int32_t inEndY);
  uint32_t FrameRect();
  uint32_t FillRect();
  // Images: each call adds a placement (drawing the image into the drawing rectangle, or at its
  // natural size of one point per pixel from the rectangle's lower left corner when the rectangle
  // is empty) and returns its ID.
  // JPEG data with 1, 3 or 4 components, embedded unchanged; 0 for anything else.
  uint32_t AddJPEG(std::span<const uint8_t> inData);
  // inWidth x inHeight pixels of 8-bit RGB, top row first, stored Deflate-compressed; 0 when
  // there are too few pixels or compression fails.
  uint32_t AddRawRGB(std::span<const uint8_t> inData, int32_t inWidth, int32_t inHeight);
  // A new placement of the image that placement inID draws; 0 when inID is not a placement of an
  // existing image object. No data is copied.
  uint32_t PlaceImage(uint32_t inID);
  // Image data: a copy of bytes the caller keeps, or bytes handed over.
  using ImageData = std::variant<std::span<const uint8_t>, std::vector<uint8_t>>;
  // A new image object holding inData, and its placement.
  uint32_t AddImageObject(ImageData inData, int32_t inComponents, int32_t inWidth, int32_t inHeight,
                          std::string_view inFilter);

  // Finds or makes the bookmark that inPath names, its components separated by backslashes (each
  // cut to 255 bytes and matched byte for byte), below the outline root; bookmarks it makes are
  // open when inExpanded is set. The last one jumps to the current page. Returns its ID.
  uint32_t AddBookmark(std::string_view inPath, bool inExpanded);

  // Entries in the current page's content list.
  int32_t LayerCount();
  // Merges and compresses the current page's first run of plain content; returns the ID reserved
  // for the merged stream, which names nothing when there was nothing to merge.
  uint32_t Flatten();

  // One item of information about an object; empty when the ID names no active object or the
  // key is not known.
  std::string GetInfo(uint32_t inID, std::string_view inKey);
  // Changes one aspect of an active object ("value", or a dictionary entry "/Key"); nothing
  // otherwise.
  void SetInfo(uint32_t inID, std::string_view inKey, std::string_view inText);
  // A new object made from the body of an indirect object in PDF syntax (a dictionary, a stream
  // with its dictionary, any value): the typed object its /Type names, or an object that keeps
  // the parsed value. Its ID is used up even when the text does not parse.
  uint32_t AddObjectText(std::string_view inText);
  // Deletes an active, deletable object; nothing otherwise.
  void Delete(uint32_t inID);
  // The pages of the tree as its parts agree; 0 when it is damaged.
  int64_t ValidatePageTree(std::string* outMessage = nullptr);

 private:
  // Adds inObject to the table, or reports that it could not be (an ID out of range).
  template <class T>
  T* AddObject(std::unique_ptr<T> inObject);
  PDFPage* CurrentPageOrNull();
  // AddImageObject, also handing back the new image object (null when nothing was added).
  uint32_t AddPlacedImage(ImageData inData, int32_t inComponents, int32_t inWidth, int32_t inHeight,
                          std::string_view inFilter, PDFImageObject*& outImage);
  // Sets the placement's image, rectangle and transform and puts it on inPage at the layer.
  void PlaceOnPage(PDFPage& ioPage, PDFImagePlacement& ioPlacement, uint32_t inImageID,
                   int32_t inWidth, int32_t inHeight);

  DrawingState mState;
  // The fonts this document added, by the ID of their font object.
  std::map<uint32_t, const BaseFont*> mFonts;
  // The characters of the last text added: the next text with the same characters shares them.
  SharedText mLastText;
};
