# The web page: build/web/site/ (index.html, style.css, app.js and the core with its worker in
# worker-source.js; and all of them in one file, ldsgen.html) and ldsgen-VERSION-web.zip. The page fetches nothing: the WebAssembly is in
# the script as text, and the worker is made from it in the browser.
find_program(LDSGEN_NODE NAMES node nodejs REQUIRED)

# The page's core is measured in bytes downloaded: its writer makes one call a line rather than
# copies inlined at every statement, it is optimized for size across its files (-Oz -flto in the
# preset), it takes emscripten's small allocator, and bundle.js puts the WebAssembly into the
# page compressed.
target_compile_definitions(ldsgen_core PUBLIC LDSGEN_SMALL_WRITER)
add_executable(ldsgen_web web/ldsgen_web.cpp)
target_link_libraries(ldsgen_web PRIVATE ldsgen_core ldsgen_warnings)
target_link_options(ldsgen_web PRIVATE
  -sALLOW_MEMORY_GROWTH=1 -sMODULARIZE=1 -sEXPORT_NAME=createLdsgen
  -sENVIRONMENT=worker -sFILESYSTEM=0 -sMALLOC=emmalloc
  -sEXPORTED_FUNCTIONS=_ldsgen_check,_ldsgen_preview,_ldsgen_write,_ldsgen_write_lavaan,_ldsgen_inspect,_ldsgen_data_bytes,_ldsgen_dynamics,_ldsgen_output_text,_ldsgen_output_end
  -sEXPORTED_RUNTIME_METHODS=cwrap)

# Run by node when the page is built, for the preview of the page's first answers.
add_executable(ldsgen_prerender web/prerender.cpp)
target_link_libraries(ldsgen_prerender PRIVATE ldsgen_core ldsgen_warnings)
target_link_options(ldsgen_prerender PRIVATE -sENVIRONMENT=node -sSINGLE_FILE=1)

set(site ${CMAKE_BINARY_DIR}/site)
set(web ${CMAKE_CURRENT_SOURCE_DIR}/web)
set(zip_name ldsgen-${PROJECT_VERSION}-web)
add_custom_command(
  OUTPUT ${site}/index.html ${site}/worker-source.js ${site}/app.js
  COMMAND ${CMAKE_COMMAND} -E make_directory ${site}
  COMMAND ${LDSGEN_NODE} ${web}/bundle.js $<TARGET_FILE:ldsgen_web> ${web}/worker.js
          ${site}/worker-source.js $<TARGET_FILE:ldsgen_prerender> ${web}/index.html
          ${site}/index.html ${web}/app.js ${site}/app.js
  COMMAND ${CMAKE_COMMAND} -E copy ${web}/style.css ${site}
  DEPENDS ldsgen_web ldsgen_prerender ${web}/bundle.js ${web}/worker.js ${web}/index.html
          ${web}/style.css ${web}/app.js
  COMMENT "Putting the page together in ${site}")
# The same page as one file, for a USB stick or an e-mail; the packages carry it too.
add_custom_command(
  OUTPUT ${site}/ldsgen.html
  COMMAND ${LDSGEN_NODE} ${web}/single.js ${site} ${site}/ldsgen.html
  DEPENDS ${site}/index.html ${site}/worker-source.js ${web}/single.js
  COMMENT "Making the page one file, ldsgen.html")
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/${zip_name}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_name}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${site} ${zip_name}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${zip_name}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip_name}.zip --format=zip ${zip_name}
  DEPENDS ${site}/index.html ${site}/worker-source.js ${site}/ldsgen.html
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Packing ${zip_name}.zip")
add_custom_target(ldsgen_site ALL DEPENDS ${CMAKE_BINARY_DIR}/${zip_name}.zip)
