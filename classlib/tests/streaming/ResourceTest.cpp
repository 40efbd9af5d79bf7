#include "Reader.h"
#include "Streams.h"
#include "TestComponents.h"

#include <gtest/gtest.h>

namespace {

// A form that loads itself the way application forms do: from the resource
// named after its class, once it is fully constructed.
class TResourceForm : public TTestForm {
  VEL_CLASS(TResourceForm, TTestForm)

 public:
  using TTestForm::TTestForm;
  void AfterConstruction() override {
    TTestForm::AfterConstruction();
    ReadComponentResource(this);
  }
};

VEL_COMPONENT_IMPL(TResourceForm, TTestForm)

TEST(FormResource, LoadsTheFormLinkedIntoTheProgram) {
  RegisterTestClasses();
  TOwned<TResourceForm> form(Create<TResourceForm>(nullptr));
  EXPECT_EQ(form->Name(), "ResourceForm");
  EXPECT_EQ(form->Caption(), "From the resource");
  EXPECT_EQ(form->Hint(), L"\x03A9\x03BC\x03AD\x03B3\x03B1");
  ASSERT_NE(form->First, nullptr);
  EXPECT_EQ(form->First->Buddy(), form.get());
  EXPECT_EQ(form->First->Lines()->Text(), "alpha\r\nbeta\r\n");
  form->OnClick(form->First);
  EXPECT_EQ(form->clicks, std::vector<std::string>{"First"});
}

TEST(FormResource, ResourceStreamIsReadOnlyAndAMissingOneRaises) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  EXPECT_THROW(ReadComponentResource(form.get()), EResNotFound);
  TResourceStream stream(GetModuleHandleA(nullptr), "TRESOURCEFORM", RT_RCDATA);
  EXPECT_GT(stream.Size(), 0);
  char first[2];
  stream.ReadBuffer(first, 2);
  EXPECT_EQ(std::string(first, 2), "//");
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_THROW(stream.WriteBuffer("x", 1), EStreamError);
  EXPECT_THROW(stream.SetSize(0), EStreamError);
}

}  // namespace
