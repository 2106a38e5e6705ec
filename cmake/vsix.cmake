# Packages the VS Code extension of SOURCE_DIR/editors/vscode as OUTPUT with vsce, stamped with
# VERSION (the manifest in the source tree keeps a placeholder), and every time stamp in the
# archive set to SOURCE_DATE_EPOCH, else the last commit's (outside a git checkout, the last
# changelog entry's). The extension's LICENSE and CHANGELOG.md are links to the project's.
# Usage: cmake -DSOURCE_DIR=... -DVERSION=... -DOUTPUT=... -P vsix.cmake
set(vsce ${SOURCE_DIR}/editors/node_modules/.bin/vsce)
if(NOT EXISTS ${vsce})
  message(FATAL_ERROR "vsce is not installed: `make editor-deps` installs it from "
                      "editors/package-lock.json")
endif()
execute_process(
  COMMAND ${vsce} package ${VERSION} --no-update-package-json --no-git-tag-version
          --out ${OUTPUT}
  WORKING_DIRECTORY ${SOURCE_DIR}/editors/vscode
  INPUT_FILE /dev/null
  COMMAND_ERROR_IS_FATAL ANY)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
elseif(EXISTS ${SOURCE_DIR}/.git)
  execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
else()
  execute_process(COMMAND dpkg-parsechangelog -l ${SOURCE_DIR}/debian/changelog -STimestamp
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
find_program(PYTHON3 python3 REQUIRED)
execute_process(
  COMMAND ${PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/normalise_archive.py zip ${OUTPUT} ${epoch}
  COMMAND_ERROR_IS_FATAL ANY)
