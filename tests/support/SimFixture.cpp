#include "tests/support/SimFixture.h"

#include "link/Async.h"

#include <cstdlib>

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
