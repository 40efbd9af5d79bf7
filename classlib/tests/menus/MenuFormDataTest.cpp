#include "Forms.h"
#include "Menus.h"
#include "Reader.h"

#include "MenusTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A form whose data holds an image list, an action list and two menus.
class TMenusTestForm : public TForm {
  VEL_CLASS(TMenusTestForm, TForm)
  static void Publish(TPublisher<TMenusTestForm>& p);

 public:
  using TForm::TForm;
  void QuitClick(TObject*) { ++quits; }
  int quits = 0;

  template <typename T>
  T* Find(const char* name) const {
    return dynamic_cast<T*>(FindComponent(name));
  }
};

VEL_COMPONENT_IMPL(TMenusTestForm, TForm)

void TMenusTestForm::Publish(TPublisher<TMenusTestForm>& p) {
  p.Method<&TMenusTestForm::QuitClick>("QuitClick");
}

constexpr char kFormData[] = R"(
object MenusForm: TMenusTestForm
  BorderStyle = bsSingle
  ClientWidth = 320
  ClientHeight = 200
  Menu = MainMenu1
  object Images: TImageList
    ResourceName = 'Strip48x16'
  end
  object Actions: TActionList
    Images = Images
    object SaveAction: TAction
      Caption = '&Save'
      ShortCut = 16467
    end
    object OpenAction: TAction
      Caption = '&Open'
    end
  end
  object MainMenu1: TMainMenu
    Images = Images
    object File1: TMenuItem
      Caption = '&File'
      object Save1: TMenuItem
        Action = SaveAction
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object Quit1: TMenuItem
        Caption = 'Quit'
        Hint = 'Quit|Ends the program'
        ImageIndex = 1
        Tag = 4
        OnClick = QuitClick
      end
    end
  end
  object Popup1: TPopupMenu
    Alignment = paRight
    AutoPopup = False
    OwnerDraw = True
    object Copy1: TMenuItem
      Caption = 'Copy'
      Default = True
    end
  end
end)";

}  // namespace

TEST(MenuFormDataTest, MenusActionListsAndImagesComeFromFormData) {
  RegisterClass(TMenusTestForm::StaticClass());
  TOwned<TMenusTestForm> form(CreateNew<TMenusTestForm>(nullptr));
  ReadComponentText(form.get(), kFormData);

  auto* images = form->Find<TImageList>("Images");
  ASSERT_NE(nullptr, images);
  EXPECT_EQ(3, images->Count()) << "the strip is loaded once the data is read";
  auto* actions = form->Find<TActionList>("Actions");
  ASSERT_EQ(2, actions->ActionCount());
  EXPECT_EQ(form->Find<TAction>("OpenAction"), actions->Actions(1));
  EXPECT_EQ(images, actions->Images());

  auto* menu = form->Find<TMainMenu>("MainMenu1");
  ASSERT_EQ(menu, form->Menu());
  EXPECT_EQ(images, menu->Images());
  TMenuItem* file = menu->Items()->Items(0);
  ASSERT_EQ(3, file->Count());
  EXPECT_EQ(form.get(), file->Owner());
  TMenuItem* save = file->Items(0);
  EXPECT_EQ("&Save", save->Caption()) << "from its action";
  EXPECT_EQ(scCtrl | 'S', save->ShortCut());
  EXPECT_TRUE(file->Items(1)->IsLine());
  TMenuItem* quit = file->Items(2);
  EXPECT_EQ(4, quit->Tag());
  EXPECT_TRUE(menu->DispatchCommand(quit->Command()));
  EXPECT_EQ(1, form->quits);

  auto* popup = form->Find<TPopupMenu>("Popup1");
  EXPECT_EQ(paRight, popup->Alignment());
  EXPECT_FALSE(popup->AutoPopup());
  EXPECT_TRUE(popup->IsOwnerDraw());
  EXPECT_TRUE(popup->Items()->Items(0)->Default());

  // The client size of the data holds with the bar in place.
  form->Show();
  RECT client;
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(320, client.right);
  EXPECT_EQ(200, client.bottom);
  EXPECT_EQ(menu->Handle(), GetMenu(form->Handle()));
}

TEST(MenuFormDataTest, AStripThatIsNotThereIsNamed) {
  TOwned<TComponent> root(Create<TComponent>(nullptr));
  try {
    ReadComponentText(root.get(), R"(
      object Root: TComponent
        object Images: TImageList
          ResourceName = 'NoSuchStrip'
        end
      end)");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("NoSuchStrip")) << e.what();
  }
}
