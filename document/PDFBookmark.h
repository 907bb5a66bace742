// A bookmark ('book'): one item of the document outline, with its title, its place among its
// siblings and children (Parent, Prev, Next, First, Last), the count of its visible descendants
// and the page it jumps to. Outline items read from a file are taken over as bookmarks when they
// are first used, so every link may name anything: each walk is bounded and stops at what is not
// an outline item.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "document/PDFTypedObject.h"

class PDFBookmark : public PDFTypedObject {
 public:
  // Titles are cut to this many bytes.
  static constexpr size_t kMaxTitle = 255;
  // Siblings compared by a title search, or walked to find the last one.
  static constexpr int kMaxSiblings = 1000;
  // Ancestors whose Count a count update changes.
  static constexpr int kMaxCountSteps = 1001;
  // Parent steps an item read from a file may take to reach the outline root to be taken over.
  static constexpr int kMaxTakeOverSteps = 100;

  // Without a dictionary the default /Type /Outlines /Count 0 is made. The open flag starts at 0.
  PDFBookmark(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr, uint32_t inGeneration = 0);

  void SetOpenFlag(bool inOpen) { mOpen = inOpen ? 1 : 0; }
  bool GetOpenFlag() const { return mOpen != 0; }
  // A title as it is stored: text strings end at a zero byte, and at most kMaxTitle bytes are kept.
  static std::string_view StoredTitle(std::string_view inTitle);
  // Title := the stored form of the text.
  void SetTitle(std::string_view inTitle);
  // The Title string (resolved through references); empty when it is missing or not a string.
  std::string GetTitle() const;
  // Whether the bookmark has a Title string equal to inTitle byte for byte.
  bool HasTitle(std::string_view inTitle) const;
  // Parent := a reference to inParent.
  void SetParent(const PDFObject& inParent);
  uint32_t GetParent() const { return GetRefValue("Parent"); }
  // Dest := [page R /XYZ null null null].
  void SetDestination(uint32_t inPageID, uint32_t inPageGeneration);
  // Open when Count is positive; when Count is 0 or missing, as the open flag says.
  bool IsOpen() const;

  // The ID of the outline root: the object that the catalog (the trailer's Root) names under
  // Outlines; 0 when there is none.
  static uint32_t OutlineRootID(PDFSoup& inSoup);
  // The bookmark that inID names. A bookmark is used as it is. An outline item read from a file
  // (an object without a class of its own, or one that calls itself an outline root but is not
  // the catalog's) whose Parent chain reaches the outline root within kMaxTakeOverSteps is
  // re-created as a bookmark in its slot (its /Type removed); the old object is gone then.
  // Null for anything else: the root itself, objects of other kinds, missing or inactive objects.
  static PDFBookmark* FromReference(PDFSoup* inSoup, uint32_t inID);

  // Operations on an outline node: the outline root or a bookmark.
  // The first of inParent's children (First, then Next, at most kMaxSiblings compared) whose title
  // is inTitle; null when none is, or a link names no bookmark first.
  static PDFBookmark* FindChild(PDFSoup& inSoup, PDFObject& inParent, std::string_view inTitle);
  // inParent's last child: its Last when that is a bookmark, else the last bookmark reached from
  // First through Next; null when it has none.
  static PDFBookmark* LastChild(PDFSoup& inSoup, PDFObject& inParent);
  // The last bookmark reached from inParent's First through Next before inStop (at most
  // kMaxSiblings, each once); null when there is none.
  static PDFBookmark* ChainEnd(PDFSoup& inSoup, PDFObject& inParent, const PDFBookmark* inStop);
  // Links ioBaby in after inPrevious (first, when null) below inParent and counts it.
  static void InsertAfter(PDFSoup& inSoup, PDFObject* inParent, PDFBookmark* inPrevious, PDFBookmark* inBaby);
  // Appends ioBaby as the last child of this bookmark.
  void AppendChild(PDFBookmark& ioBaby);
  // Adds inDelta to the Count of every ancestor of inNode that is open (the outline root always
  // is) and subtracts it from every closed one; a root Count that reaches 0 goes. The walk ends
  // at a missing parent, at one that is neither a bookmark nor the root, at a repeated one, or
  // after kMaxCountSteps.
  static void UpdateCounts(PDFSoup& inSoup, PDFObject* inNode, int32_t inDelta);

  // Unlinks the bookmark (siblings joined, the parent's First and Last moved off it), takes its
  // own Count off its ancestors, then the common delete.
  uint32_t Delete() override;

 private:
  int32_t mOpen = 0;
};
