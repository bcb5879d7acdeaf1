#include <gtest/gtest.h>

#include "ui/InfoRules.h"

using namespace mv;

TEST(InfoRules, FileSectionAddressEscapesWhatAnAddressCannotHold) {
    EXPECT_EQ(FileSectionAddress("C:\\Program Files\\Murivane\\Murivane.htm", "questions"),
              "file:///C:/Program%20Files/Murivane/Murivane.htm#questions");
    // "#" would start the section early, "%" an escape; both are escaped,
    // and the letters, digits and "-._~" are not.
    EXPECT_EQ(FileSectionAddress("D:\\Mv #1 100%\\a-b_c.d~e\\Murivane.htm", "about"),
              "file:///D:/Mv%20%231%20100%25/a-b_c.d~e/Murivane.htm#about");
    // Every byte of a name in another script, as UTF-8.
    EXPECT_EQ(FileSectionAddress("C:\\\xD0\x9A\xD0\xB8\xD1\x80\\\xE5\x86\x99.htm", "overview"),
              "file:///C:/%D0%9A%D0%B8%D1%80/%E5%86%99.htm#overview");
    // Characters with a meaning in addresses, and quotes, which would end
    // the argument the browser is given.
    EXPECT_EQ(FileSectionAddress("C:\\a&b;c=d?e+f'g\"h[i]{j}^k`l|m<n>o@p$q!r,s(t)*\\x.htm", "s"),
              "file:///C:/a%26b%3Bc%3Dd%3Fe%2Bf%27g%22h%5Bi%5D%7Bj%7D%5Ek%60l%7Cm%3Cn%3Eo%40p%24q%21r%2Cs%28t%29%2A/"
              "x.htm#s");
    // A network path keeps its server as the host.
    EXPECT_EQ(FileSectionAddress("\\\\server\\share name\\Murivane.htm", "faq"),
              "file://server/share%20name/Murivane.htm#faq");
    // A forward slash already in the path stays one.
    EXPECT_EQ(FileSectionAddress("C:/a/b.htm", "x"), "file:///C:/a/b.htm#x");
}
