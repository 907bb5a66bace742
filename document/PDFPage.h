// A page ('page'): its size, its resources (fonts, images, the procedure sets) and its content,
// an array of references to content stream objects, bottom first. The position in that array is
// the content's layer.
#pragma once

#include <string_view>

#include "document/PDFTypedObject.h"
#include "scripting/RectRecord.h"

class PDFArrayAtom;

class PDFPage : public PDFTypedObject {
 public:
  // Steps up through Parent that an inherited lookup, the resources lookup or a delete takes.
  static constexpr int kMaxParentSteps = 100;
  // Resource names are at most this long.
  static constexpr size_t kMaxResourceName = 255;

  // Without a dictionary the default /Type /Page /Parent 0 0 R /MediaBox [0 0 0 0] is made.
  PDFPage(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr, uint32_t inGeneration = 0);

  // MediaBox := [left bottom right top] of the rectangle.
  void SetMediaBox(const RectRecord& inRect);
  // The inherited MediaBox into ioRect when its first four elements are numbers; ioRect stays as
  // it is otherwise.
  void GetMediaBox(RectRecord& ioRect) const;
  void SetParent(uint32_t inID, uint32_t inGeneration);

  // The value of inKey, resolved, from the page or its nearest ancestor that has it; null when none has.
  PDFAtom* LookupInherited(std::string_view inKey) const;
  // The resources dictionary in use (an inherited one in place), with a full ProcSet.
  PDFDictAtom& GetResources();
  // Registers the object as Font "Fqvx<id>" or as XObject "Iqvx<id>".
  void AddFontResource(uint32_t inID, uint32_t inGeneration);
  void AddXObjectResource(uint32_t inID, uint32_t inGeneration);
  // Contents made an array (a single stream reference or an array object taken over).
  PDFArrayAtom& GetContents();
  // Inserts the reference at layer inLayer: 1 on top, 2 below the topmost entry, ... ; a layer
  // beyond the bottom puts it at the bottom, 0 or less on top.
  void AddContent(uint32_t inID, uint32_t inGeneration, int32_t inLayer);
  int32_t LayerCount();
  // Whether inEntry names an existing object whose content (generated now) is a stream whose
  // dictionary holds only Length.
  bool IsPlainStream(const PDFAtom* inEntry) const;
  // Merges the first run of plain streams into one new compressed stream object with ID inNewID.
  // Returns whether the page changed.
  bool Flatten(uint32_t inNewID);

  bool GetAddedByDoc() const { return mAddedByDoc != 0; }
  void SetAddedByDoc(bool inAdded) { mAddedByDoc = inAdded ? 1 : 0; }

  // "content count" and "content <n>" (1 is the bottom entry); other keys the common information.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;
  // Lowers the Count of every ancestor by one and takes the page out of its parent's Kids, then
  // the common delete.
  uint32_t Delete() override;

 protected:
  // An empty Contents array is left out.
  void WriteBody(PDFStream& ioStream) override;
  // While the document's own flag is set, the marking does not descend into Resources.
  void CollectReferences(const PDFAtom* inAtom, std::vector<uint32_t>& ioIDs) const override;

 private:
  void AddResource(std::string_view inCategory, std::string_view inPrefix, uint32_t inID, uint32_t inGeneration);

  int32_t mAddedByDoc = 0;
};
