# cmake -DOUTPUT=file.cpp -DINPUTS="a|b" -P EmbedFiles.cmake: writes a C++ file that holds each
# input's bytes, for the page of `zentrik serve` (see src/web/page_assets.h).
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "")
set(table "")
set(index 0)
foreach(input IN LISTS INPUTS)
  file(READ ${input} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  get_filename_component(name ${input} NAME)
  get_filename_component(ext ${input} LAST_EXT)
  set(type "application/octet-stream")
  if(ext STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(ext STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(ext STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(ext STREQUAL ".png")
    set(type "image/png")
  elseif(ext STREQUAL ".svg")
    set(type "image/svg+xml")
  endif()
  string(LENGTH "${hex}" hex_length)
  math(EXPR length "${hex_length} / 2")
  string(APPEND body "const char kFile${index}[] = {${bytes} 0};\n")
  string(APPEND table "    {\"${name}\", \"${type}\", std::string_view(kFile${index}, ${length})},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Generated from web/ by cmake/EmbedFiles.cmake; do not edit.\n"
  "#include \"page_assets.h\"\n\nnamespace zentrik {\nnamespace {\n\n${body}\n"
  "const PageAsset kAssets[] = {\n${table}};\n\n}  // namespace\n\n"
  "const PageAsset* find_page_asset(std::string_view name) {\n"
  "  for (const PageAsset& asset : kAssets) {\n"
  "    if (asset.name == name) return &asset;\n  }\n  return nullptr;\n}\n\n}  // namespace zentrik\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
