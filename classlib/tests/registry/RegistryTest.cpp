#include "Registry.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every test works below a scratch key of its own, deleted afterwards.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = ".veltest-" + std::to_string(GetCurrentProcessId());
    reg_.SetRootKey(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(reg_.CreateKey(scratch_));
  }
  void TearDown() override {
    TRegistry cleaner;
    cleaner.SetRootKey(HKEY_CLASSES_ROOT);
    cleaner.DeleteKey(scratch_);
    EXPECT_FALSE(cleaner.KeyExists(scratch_));
  }

  std::string scratch_;
  TRegistry reg_;
};

}  // namespace

TEST_F(Registry, PathsAreRelativeToTheOpenKeyOrTheRoot) {
  EXPECT_EQ(reg_.CurrentKey(), nullptr);  // CreateKey left nothing open
  ASSERT_TRUE(reg_.OpenKey(scratch_ + "\\A", true));
  EXPECT_EQ(reg_.CurrentPath(), scratch_ + "\\A");
  ASSERT_TRUE(reg_.OpenKey("B\\C", true));
  EXPECT_EQ(reg_.CurrentPath(), scratch_ + "\\A\\B\\C");
  ASSERT_TRUE(reg_.OpenKey("\\" + scratch_, false));
  EXPECT_EQ(reg_.CurrentPath(), scratch_);
  EXPECT_TRUE(reg_.KeyExists("A\\B"));
  EXPECT_TRUE(reg_.KeyExists("\\" + scratch_ + "\\A\\B\\C"));
  EXPECT_FALSE(reg_.KeyExists("A\\X"));

  reg_.CloseKey();
  reg_.CloseKey();
  EXPECT_EQ(reg_.CurrentKey(), nullptr);
  EXPECT_EQ(reg_.CurrentPath(), "");
  EXPECT_TRUE(reg_.KeyExists(scratch_ + "\\A\\B"));
}

TEST_F(Registry, FailuresReturnFalseAndKeepTheCurrentKey) {
  ASSERT_TRUE(reg_.OpenKey(scratch_, false));
  const HKEY current = reg_.CurrentKey();
  struct {
    const char* what;
    bool result;
  } cases[] = {
      {"OpenKey", reg_.OpenKey("Missing", false)},
      {"OpenKeyReadOnly", reg_.OpenKeyReadOnly("Missing\\Deeper")},
      {"KeyExists", reg_.KeyExists("Missing")},
      {"DeleteKey", reg_.DeleteKey("Missing")},
      {"ValueExists", reg_.ValueExists("Missing")},
      {"DeleteValue", reg_.DeleteValue("Missing")},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.result) << c.what;
  }
  EXPECT_EQ(reg_.LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg_.CurrentKey(), current);
  EXPECT_EQ(reg_.CurrentPath(), scratch_);
  // The base key itself cannot be deleted through an empty path.
  EXPECT_FALSE(reg_.DeleteKey(""));
  EXPECT_TRUE(reg_.KeyExists(""));
}

TEST_F(Registry, StringValues) {
  ASSERT_TRUE(reg_.OpenKey(scratch_, false));
  reg_.WriteString("", "Velmor Settings");
  reg_.WriteString("Named", "x");
  EXPECT_EQ(reg_.ReadString(""), "Velmor Settings");
  EXPECT_EQ(reg_.ReadString("named"), "x");
  EXPECT_TRUE(reg_.ValueExists("Named"));
  EXPECT_EQ(reg_.ReadString("Missing"), "");

  const DWORD number = 5;
  RegSetValueExA(reg_.CurrentKey(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof(number));
  EXPECT_THROW(reg_.ReadString("Number"), ERegistryException);

  // Stored without a terminating zero: read within its size.
  RegSetValueExA(reg_.CurrentKey(), "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("ABCD"), 4);
  EXPECT_EQ(reg_.ReadString("Bare"), "ABCD");
  RegSetValueExA(reg_.CurrentKey(), "Expand", 0, REG_EXPAND_SZ,
                 reinterpret_cast<const BYTE*>("%TEMP%"), 7);
  EXPECT_EQ(reg_.ReadString("Expand"), "%TEMP%");

  EXPECT_TRUE(reg_.DeleteValue("Named"));
  EXPECT_FALSE(reg_.ValueExists("Named"));
}

TEST_F(Registry, WritesThatCannotHappenRaise) {
  // No key open: never the root key's default value.
  EXPECT_THROW(reg_.WriteString("", "v"), ERegistryException);
  ASSERT_TRUE(reg_.OpenKeyReadOnly(scratch_));
  EXPECT_THROW(reg_.WriteString("", "v"), ERegistryException);
  EXPECT_NE(reg_.LastError(), ERROR_SUCCESS);
  EXPECT_EQ(reg_.ReadString(""), "");
}

TEST_F(Registry, DeleteKeyTakesTheWholeTree) {
  ASSERT_TRUE(reg_.CreateKey(scratch_ + "\\T\\U\\V"));
  ASSERT_TRUE(reg_.CreateKey(scratch_ + "\\T\\W"));
  ASSERT_TRUE(reg_.OpenKey(scratch_, false));
  EXPECT_TRUE(reg_.DeleteKey("T"));
  EXPECT_FALSE(reg_.KeyExists("T"));
  EXPECT_TRUE(reg_.KeyExists(""));
}

TEST_F(Registry, RootKeyChangeClosesTheKey) {
  ASSERT_TRUE(reg_.OpenKey(scratch_, false));
  reg_.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_NE(reg_.CurrentKey(), nullptr);
  reg_.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_EQ(reg_.CurrentKey(), nullptr);
  EXPECT_FALSE(reg_.KeyExists(scratch_));
}
