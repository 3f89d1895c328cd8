# The API reference: doxygen's HTML of the public headers (the ones installed), written to
# api-docs/html in the build folder by the target api-docs. The Doxyfile is made at configure
# time, so the docs test (tests/docs) can build the same reference into a folder of its own.
if(NOT KV_DOXYGEN)
  return()
endif()

set(KV_API_DOCS_DIR ${PROJECT_BINARY_DIR}/api-docs)
set(KV_API_DOCS_SOURCE ${PROJECT_SOURCE_DIR}/docs/api)
set(kv_api_inputs ${KV_API_DOCS_SOURCE}/mainpage.dox ${KV_PUBLIC_HEADERS})
list(JOIN kv_api_inputs "\" \\\n    \"" KV_API_DOCS_INPUT)
set(KV_API_DOCS_INPUT "\"${KV_API_DOCS_INPUT}\"")
configure_file(${KV_API_DOCS_SOURCE}/Doxyfile.in ${KV_API_DOCS_DIR}/Doxyfile @ONLY)

add_custom_target(api-docs
  COMMAND ${KV_DOXYGEN} ${KV_API_DOCS_DIR}/Doxyfile
  COMMAND ${CMAKE_COMMAND} -E echo "API reference: ${KV_API_DOCS_DIR}/html/index.html"
  COMMENT "Writing the API reference"
  VERBATIM)
