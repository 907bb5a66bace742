// A page tree node ('pags'): /Type /Pages with its Kids and the Count of pages below it. The root
// node answers page lookups by number, inserts pages at a position and validates the tree.
//
// Every walk over the tree is bounded: searches and validation enter at most kMaxTreeDepth
// levels and visit each indirect node once, count updates climb at most kMaxCountSteps ancestors,
// so a damaged tree whose Kids, Parent or Count loop back ends with "no page" or a message.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <unordered_set>

#include "document/PDFTypedObject.h"

class PDFArrayAtom;

// A damaged page tree, found by a search or a validation; never reaches a caller of the document.
class PDFPageTreeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PDFPages : public PDFTypedObject {
 public:
  // Levels of nodes below the root that a search or a validation enters.
  static constexpr int kMaxTreeDepth = 100;
  // Steps up through Parent that one count update takes.
  static constexpr int kMaxCountSteps = 101;

  // Without a dictionary the default /Type /Pages /Kids [] /Count 0 is made.
  PDFPages(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr, uint32_t inGeneration = 0);

  // Count resolved; a Count that is not a number is replaced by 0.
  int32_t Count();
  // Page inN (1-based): the reference to it in its parent's Kids (or its dictionary when a Kids
  // array holds it directly), with its index in that array; null when there is no such page or
  // the tree is damaged.
  PDFAtom* FindPage(int64_t inN, size_t& outIndex);
  // The last page, found by descending through the last kids that hold pages instead of counting
  // every page before it; on a tree whose counts agree it is FindPage(Count()). Null when there is
  // no page or the path to it is damaged.
  PDFAtom* FindLastPage(size_t& outIndex);
  // The object ID of page inN; 0 when there is none (or it is held directly, without an ID).
  uint32_t FindPageID(int64_t inN);
  // Inserts the reference (inID, inGeneration) before page inPosition, or appends it when
  // inPosition, read as an unsigned number, exceeds the count; raises the counts from the
  // receiving node upward. Returns the receiving node.
  PDFObject* InsertPage(uint32_t inID, uint32_t inGeneration, int32_t inPosition);
  // Adds inDelta to the Count of inNode and of each ancestor (at most kMaxCountSteps nodes, each
  // once), replacing a Count that is not a number by inDelta.
  static void UpdateCounts(PDFSoup* inSoup, int32_t inDelta, PDFObject* inNode);

  // The number of pages below this node, as its parts agree; 0 and the assertion "FALSE" when the
  // tree is damaged, with the reason in outMessage when given.
  int64_t ValidateTree(std::string* outMessage = nullptr);

  // "page count" and "page <n>"; other keys the common information.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;

 private:
  struct Walk {
    std::unordered_set<uint32_t> visited;
  };

  // Resolves inItem as a node of the walk: throws when it loops back or lies too deep.
  PDFDictAtom* EnterItem(PDFAtom* inItem, Walk& ioWalk, int inDepth, uint32_t* outID) const;
  PDFAtom* Search(PDFAtom* inItem, int64_t& ioCounter, int64_t inN, size_t& outIndex, Walk& ioWalk,
                  int inDepth) const;
  PDFAtom* SearchLast(PDFAtom* inItem, size_t& outIndex, Walk& ioWalk, int inDepth) const;
  int64_t Validate(PDFAtom* inItem, uint32_t inExpectedParent, Walk& ioWalk, int inDepth) const;
  // The Kids array resolved, a new empty one stored when it is not an array.
  static PDFArrayAtom* EnsureKids(PDFSoup* inSoup, PDFDictAtom& ioNode);
};
