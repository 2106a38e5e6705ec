# Packages the VS Code extension of SOURCE_DIR/editors/vscode as OUTPUT, with the tools pinned in
# editors/package-lock.json: a copy in STAGE gets the project's LICENSE and CHANGELOG.md, and
# extension.js bundled by esbuild with the language client it needs (one file, where VS Code
# would otherwise load some hundred), then vsce packages it stamped with VERSION (the manifest in
# the source tree keeps a placeholder). Every time stamp in the archive is SOURCE_DATE_EPOCH,
# else the last commit's (outside a git checkout, the last changelog entry's).
# Usage: cmake -DSOURCE_DIR=... -DVERSION=... -DSTAGE=... -DOUTPUT=... -P vsix.cmake
set(tools ${SOURCE_DIR}/editors/node_modules/.bin)
foreach(tool vsce esbuild)
  if(NOT EXISTS ${tools}/${tool})
    message(FATAL_ERROR "${tool} is not installed: `make editor-deps` installs it from "
                        "editors/package-lock.json")
  endif()
endforeach()

set(extension ${SOURCE_DIR}/editors/vscode)
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(GLOB entries LIST_DIRECTORIES true ${extension}/* ${extension}/.vscodeignore)
foreach(entry ${entries})
  get_filename_component(name ${entry} NAME)
  if(NOT name MATCHES "^(node_modules|package-lock\\.json|.*\\.vsix)$")
    file(COPY ${entry} DESTINATION ${STAGE})
  endif()
endforeach()
file(COPY ${SOURCE_DIR}/LICENSE ${SOURCE_DIR}/CHANGELOG.md DESTINATION ${STAGE})
if(EXISTS ${extension}/extension.js)
  execute_process(
    COMMAND ${tools}/esbuild ${extension}/extension.js --bundle --platform=node --format=cjs
            --external:vscode --log-level=warning --outfile=${STAGE}/extension.js
    WORKING_DIRECTORY ${SOURCE_DIR}/editors
    COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(
  COMMAND ${tools}/vsce package ${VERSION} --no-update-package-json --no-git-tag-version
          --no-dependencies --out ${OUTPUT}
  WORKING_DIRECTORY ${STAGE}
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
