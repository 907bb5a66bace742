// A block of text on a page: the content object that Doc.AddText adds. It keeps a copy of the
// drawing state and the text's layout, writes the text's content fragment when the page content
// is generated, and answers "endpos", "characters" and "lines" for GetInfo.
#pragma once

#include <string>
#include <vector>

#include "document/PDFContentStream.h"
#include "fonts/TextContent.h"

class PDFText : public PDFContentStream {
 public:
  // Takes the text's layout, usually measured already.
  PDFText(PDFSoup* inSoup, uint32_t inID, TextContent inContent, uint32_t inGeneration = 0);

  // The text form of a transform, as the text's "cm" operand.
  static std::string MatrixText(const TransformMatrix& inMatrix);

  TextContent& Content() { return mContent; }
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;
  // The text's content names its font only by resource name, so marking reaches the font object
  // through the text: a font stays while a live text uses it.
  void Mark(std::vector<uint32_t>& ioPending) override;

 protected:
  void GenerateContent(PDFStream& ioStream) override;
  // The written content and the measured results are all the text needs from now on.
  void AfterGeneration() override { mContent.ReleaseText(); }

 private:
  // Measuring caches its results, so information requests on a const object still measure.
  mutable TextContent mContent;
};
