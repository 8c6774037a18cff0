// The page's markup, style and script, kept in page.html so they can be read
// and edited as what they are; the build turns that file into this string.
#pragma once

namespace gamepage {

extern const char* const kPageTemplate;

}  // namespace gamepage
