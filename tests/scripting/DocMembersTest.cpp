// The Doc interface as scripts and type browsers see it: every member with its dispatch ID, kind,
// name and help string, in dispatch-ID order with a property's get before its put, as the
// published interface lists them. A member missing, renamed or moved fails here.
#include <gtest/gtest.h>

#include <oleauto.h>

#include <iterator>
#include <string>

#include "scripting/Doc.h"

namespace {

struct Expected {
  DISPID id;
  INVOKEKIND kind;
  const char16_t* name;
  const char16_t* help;
};

const Expected kDocMembers[] = {
    {1, INVOKE_PROPERTYGET, u"Page", u"The ID of the current page"},
    {1, INVOKE_PROPERTYPUT, u"Page", u"The ID of the current page"},
    {2, INVOKE_PROPERTYGET, u"Font", u"The ID of the current font"},
    {2, INVOKE_PROPERTYPUT, u"Font", u"The ID of the current font"},
    {3, INVOKE_PROPERTYGET, u"FontSize", u"The current text size (points)"},
    {3, INVOKE_PROPERTYPUT, u"FontSize", u"The current text size (points)"},
    {4, INVOKE_PROPERTYGET, u"Width", u"The current line width (points)"},
    {4, INVOKE_PROPERTYPUT, u"Width", u"The current line width (points)"},
    {5, INVOKE_PROPERTYGET, u"HPos", u"The horizontal positioning factor (0 to 1)"},
    {5, INVOKE_PROPERTYPUT, u"HPos", u"The horizontal positioning factor (0 to 1)"},
    {6, INVOKE_PROPERTYGET, u"VPos", u"The vertical positioning factor (0 to 1)"},
    {6, INVOKE_PROPERTYPUT, u"VPos", u"The vertical positioning factor (0 to 1)"},
    {7, INVOKE_PROPERTYGET, u"Color", u"The current drawing color"},
    {8, INVOKE_PROPERTYGET, u"Pos", u"The current drawing position"},
    {9, INVOKE_PROPERTYGET, u"Rect", u"The current drawing rectangle"},
    {10, INVOKE_PROPERTYGET, u"MediaBox", u"The page size"},
    {11, INVOKE_PROPERTYGET, u"TextStyle", u"The current text style"},
    {12, INVOKE_PROPERTYGET, u"Transform", u"The current default transformation"},
    {14, INVOKE_PROPERTYGET, u"Root", u"The ID of the root catalog"},
    {15, INVOKE_PROPERTYGET, u"Layer", u"The content insertion position (one is top)"},
    {15, INVOKE_PROPERTYPUT, u"Layer", u"The content insertion position (one is top)"},
    {16, INVOKE_PROPERTYGET, u"LayerCount", u"The number of layers in the current page"},
    {17, INVOKE_FUNC, u"AddPage", u"Add a page - return the page ID"},
    {18, INVOKE_FUNC, u"AddFont", u"Add a font resource - return the font ID"},
    {19, INVOKE_FUNC, u"AddText", u"Add a block of text - return the text ID"},
    {20, INVOKE_FUNC, u"AddLine", u"Add a line - return the line ID"},
    {21, INVOKE_FUNC, u"AddImage", u"Add an image - return the image ID"},
    {22, INVOKE_FUNC, u"GetInfo", u"Get a particular type of information about an object"},
    {23, INVOKE_FUNC, u"FrameRect", u"Add a framed rectangle - return the rectangle ID"},
    {24, INVOKE_FUNC, u"FillRect", u"Add a filled rectangle - return the rectangle ID"},
    {25, INVOKE_FUNC, u"Delete", u"Delete a specified object"},
    {26, INVOKE_FUNC, u"Save", u"Save the PDF to a specified location"},
    {27, INVOKE_FUNC, u"GetData", u"Get the PDF as raw data"},
    {28, INVOKE_FUNC, u"Read", u"Read an existing PDF"},
    {29, INVOKE_FUNC, u"EmbedFont", u"Embed a font resource - return the font ID"},
    {30, INVOKE_FUNC, u"SetInfo", u"Alters an aspect of an existing object"},
    {31, INVOKE_FUNC, u"AddBookmark", u"Adds a bookmark for the current page"},
    {32, INVOKE_FUNC, u"AddObject", u"Adds a native PDF object to the document"},
    {33, INVOKE_FUNC, u"Flatten", u"Flattens and compresses the current page"},
};

}  // namespace

TEST(DocMembers, TheInterfaceListsEveryMemberWithItsIDKindNameAndHelp) {
  const QxInterface& theInterface = Doc::Describe();
  ASSERT_EQ(theInterface.members.size(), std::size(kDocMembers));
  for (size_t i = 0; i < std::size(kDocMembers); ++i) {
    const QxMember& theMember = theInterface.members[i];
    EXPECT_EQ(theMember.id, kDocMembers[i].id) << i;
    EXPECT_EQ(theMember.kind, kDocMembers[i].kind) << i;
    EXPECT_EQ(theMember.name, std::u16string_view(kDocMembers[i].name)) << i;
    EXPECT_EQ(theMember.help, std::u16string_view(kDocMembers[i].help)) << i;
  }
  // The type information carries the same: names by ID, help strings, and no member at ID 13.
  ITypeInfo* theInfo = nullptr;
  ASSERT_EQ(QxCreateInterfaceTypeInfo(theInterface, &theInfo), S_OK);
  for (const Expected& theExpected : kDocMembers) {
    BSTR theName = nullptr;
    BSTR theHelp = nullptr;
    ASSERT_EQ(theInfo->GetDocumentation(theExpected.id, &theName, &theHelp, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::u16string(theName), theExpected.name);
    EXPECT_EQ(std::u16string(theHelp), theExpected.help);
    SysFreeString(theName);
    SysFreeString(theHelp);
  }
  BSTR theNothing = nullptr;
  EXPECT_NE(theInfo->GetDocumentation(13, &theNothing, nullptr, nullptr, nullptr), S_OK);
  SysFreeString(theNothing);
  theInfo->Release();
}
