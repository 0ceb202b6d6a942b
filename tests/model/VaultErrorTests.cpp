#include "model/ErrorMessage.h"
#include "model/VaultError.h"
#include "posix/PosixCategory.h"
#include "support/QtValuePrinters.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

// Most texts are checked where the user meets them (the store's banners, the services' errors);
// these are the ones no other test reaches.
TEST(VaultErrorTest, textsNoOtherTestReaches)
{
    EXPECT_EQ(VaultError::commandFailed("kovara-hdiutil", 1, "").errorDescription(),
              "kovara-hdiutil falhou com código 1.");
    EXPECT_STREQ(VaultError(VaultError::Kind::noSelection).what(), "Selecione um cofre primeiro.");
    EXPECT_EQ(userMessage(std::make_exception_ptr(42)), "Ocorreu um erro inesperado.");
    // The standard library's errors, never in its English.
    EXPECT_EQ(userMessage(std::make_exception_ptr(std::system_error(ECONNABORTED, std::system_category()))),
              "Conexão abortada por software");
    // Code without Qt names the file it failed on in the error itself.
    EXPECT_EQ(userMessage(std::make_exception_ptr(std::system_error(ENOENT, posixCategory(), "/cofres/.hidden"))),
              "/cofres/.hidden: Arquivo ou diretório inexistente");
}
