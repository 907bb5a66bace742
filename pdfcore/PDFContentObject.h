// An indirect object that holds its content as one atom, usually a dictionary or a stream. It
// knows its table, so that marking and tidying can look at the objects it references.
#pragma once

#include "pdfcore/PDFObject.h"

class PDFDictAtom;
class PDFSoup;

class PDFContentObject : public PDFObject {
 public:
  PDFContentObject(PDFSoup* inSoup, uint32_t inID, uint32_t inType, std::unique_ptr<PDFAtom> inAtom,
                   uint32_t inGeneration = 0);
  ~PDFContentObject() override;

  PDFAtom* GetAtom() const override { return mAtom.get(); }
  void SetAtom(std::unique_ptr<PDFAtom> inAtom);
  // The content's dictionary: the atom itself, or a stream's dictionary; null otherwise.
  PDFDictAtom* GetDict() const;
  PDFSoup* GetSoup() const { return mSoup; }

  PDFAtom* GetValue(std::string_view inKey) const override;
  void RemoveKey(std::string_view inKey) override;
  std::string GetNameValue(std::string_view inKey) const override;
  std::string GetStringValue(std::string_view inKey) const override;
  uint32_t GetRefValue(std::string_view inKey) const override;
  int32_t GetIntegerValue(std::string_view inKey) const override;
  void SetStringValue(std::string_view inKey, std::string_view inText) override;
  void SetRefValue(std::string_view inKey, uint32_t inID) override;
  void SetIntegerValue(std::string_view inKey, int32_t inValue) override;

  // "value" replaces the content by the parsed text when both are of one kind (or there was no
  // content); "/Key" sets that entry of the dictionary (of a stream's dictionary) to the parsed
  // text. A text that does not parse, a kind that differs and any other key change nothing.
  void SetProperty(std::string_view inName, std::string_view inValue) override;

  // Nothing when already marked; otherwise sets the mark and appends the referenced IDs.
  void Mark(std::vector<uint32_t>& ioPending) override;
  // Deletes as the base does and tells the table, whose objects may now hold dead references.
  uint32_t Delete() override;
  // References whose target slot is empty or holds an inactive object are removed from arrays
  // and dictionaries; a content atom that is itself such a reference becomes 0 0 R.
  uint32_t TidyReferences() override;

 protected:
  // "<id> <generation> obj", the atom, "endobj".
  void WriteBody(PDFStream& ioStream) override;
  // The parts of WriteBody around the atom, for a kind that writes its content another way.
  void WriteOpening(PDFStream& ioStream) const;
  static void WriteClosing(PDFStream& ioStream);
  // Appends the IDs that the mark walk follows from inAtom (arrays' elements, dictionaries'
  // values, streams' dictionaries). Typed objects may hold parts of their content back.
  virtual void CollectReferences(const PDFAtom* inAtom, std::vector<uint32_t>& ioIDs) const;
  bool IsDeadReference(const PDFAtom* inAtom) const;

  PDFSoup* mSoup;
  std::unique_ptr<PDFAtom> mAtom;

 private:
  void CollectNested(const PDFAtom* inAtom, std::vector<uint32_t>& ioIDs, int inDepth) const;
  uint32_t TidyNested(PDFAtom* inAtom, int inDepth);
};
