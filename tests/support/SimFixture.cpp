#include "tests/support/SimFixture.h"

#include "link/Async.h"

#include <cstdlib>

#include <unistd.h>

void SimFixture::SetUp() {
  server_ = std::make_unique<PtyServer>(unit_);
  ASSERT_TRUE(server_->Start());
  ::setenv("VORKA_COM1", server_->SlavePath().c_str(), 1);
}

void SimFixture::TearDown() {
  ComClose();
  server_->Stop();
  ::unsetenv("VORKA_COM1");
}

std::string SimFixture::LinkCom1(const std::string& folder) {
  const std::string link = folder + "/tty";
  EXPECT_EQ(::symlink(server_->SlavePath().c_str(), link.c_str()), 0);
  server_->RemoveOnClose(link);
  ::setenv("VORKA_COM1", link.c_str(), 1);
  return link;
}

void SimFixture::Unplug(const std::string& link) {
  server_->Stop();
  ::unlink(link.c_str());
}

void SimFixture::PlugBack(const std::string& link) {
  server_ = std::make_unique<PtyServer>(unit_);
  ASSERT_TRUE(server_->Start());
  ASSERT_EQ(::symlink(server_->SlavePath().c_str(), link.c_str()), 0);
  server_->RemoveOnClose(link);
}
