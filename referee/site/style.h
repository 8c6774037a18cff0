// The site's style.css, kept in style.css in the palette every page shares
// (cmake/web_palette.cmake) and compiled in.
#pragma once

namespace referee::site {

extern const char* const kSiteStyle;

}  // namespace referee::site
