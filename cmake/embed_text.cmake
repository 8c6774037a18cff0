# Web assets (pages, style sheets) are written as the files they are and
# compiled into the program that serves or writes them, so that no program
# needs a file beside it. embed_text(TARGET FILE HEADER NAMESPACE NAME) adds
# to TARGET a source defining `const char* const NAMESPACE::NAME`, declared
# in HEADER, that holds FILE's bytes exactly; editing FILE re-runs the
# configure step that regenerates the source.
#
# The colours every page, picture and sheet shares are named once, in
# web_palette.cmake: an asset writes @PALETTE_INK@ and the like, replaced
# here. ONE_LINE joins the file's lines, for a sheet that goes inline into
# markup as one line but is easier to read a rule a line.
set(EMBED_TEXT_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/embedded_text.cpp.in)
include(${CMAKE_CURRENT_LIST_DIR}/web_palette.cmake)

function(embed_text target file header namespace name)
  cmake_parse_arguments(PARSE_ARGV 5 EMBED "ONE_LINE" "" "")
  get_filename_component(source ${file} ABSOLUTE)
  file(RELATIVE_PATH EMBED_SOURCE ${PROJECT_SOURCE_DIR} ${source})
  file(READ ${source} EMBED_TEXT)
  string(CONFIGURE "${EMBED_TEXT}" EMBED_TEXT @ONLY)
  if(EMBED_ONE_LINE)
    string(REPLACE "\n" "" EMBED_TEXT "${EMBED_TEXT}")
  endif()
  # The text goes into a raw string literal: its closing sequence must not
  # occur in the text, or the literal would end early.
  string(FIND "${EMBED_TEXT}" ")embedded_text\"" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "${EMBED_SOURCE} contains )embedded_text\", which ends the embedded string")
  endif()
  set(EMBED_HEADER ${header})
  set(EMBED_NAMESPACE ${namespace})
  set(EMBED_NAME ${name})
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/embedded/${name}.cpp)
  configure_file(${EMBED_TEXT_TEMPLATE} ${generated} @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source}
    ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/web_palette.cmake)
  target_sources(${target} PRIVATE ${generated})
endfunction()
