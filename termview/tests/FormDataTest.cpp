// A terminal described in form data opens its log once the form is read.
#include "TermTestSupport.h"

#include "FileUtils.h"

namespace {

class TLogForm : public TForm {
  VEL_CLASS(TLogForm, TForm)
  static void Publish(TPublisher<TLogForm>& p);

 public:
  using TForm::TForm;
  TVelTerminal* Term = nullptr;
};

VEL_COMPONENT_IMPL(TLogForm, TForm)

void TLogForm::Publish(TPublisher<TLogForm>& p) {
  p.Field<&TLogForm::Term>("Term");
}

using FormDataTest = TermFormTest;

TEST_F(FormDataTest, LoggingOpensOnceTheFormIsRead) {
  const std::string log = "termview_form.log";
  DeleteFileA(log.c_str());
  DeleteFileA("LOG.TXT");
  TOwned<TLogForm> logForm(Create<TLogForm>(nullptr));
  ASSERT_NE(nullptr, logForm->Term);
  EXPECT_TRUE(logForm->Term->LogOpen());
  EXPECT_EQ(lgCreate, logForm->Term->Logging());
  EXPECT_EQ(cmC16_16, logForm->Term->TermColorMode());
  EXPECT_EQ(50, logForm->Term->ScrollBackRows());
  EXPECT_FALSE(FileExists("LOG.TXT")) << "the default name was opened while reading";
  logForm->Term->WriteColorChar('k', 0, 1);
  EXPECT_EQ("k", ReadFileBytes(log));
  logForm.reset();
  DeleteFileA(log.c_str());
}

}  // namespace
