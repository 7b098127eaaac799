# Writes the .msi's file list, a WiX fragment (OUTPUT), from the install tree STAGE (both absolute
# paths; the files are named from OUTPUT's folder, as wixl takes only paths relative to the folder
# it runs in):
#     cmake -DSTAGE=DIR -DOUTPUT=FILE.wxs -P WindowsInstallerFiles.cmake
# so the .msi holds what the install rules install, as the .exe does: a component for each file,
# in INSTALLDIR or a folder below it. Each folder is named for removal at uninstall, as every
# folder the .msi makes is (Windows leaves one in a user's profile that the RemoveFile table does
# not name). Wine's msiexec removes the folders of the components it removes and those below
# them, not those above: the files of the top lie in INSTALLDIR itself (wixl-heat puts them in a
# folder "." below it, and Wine then leaves INSTALLDIR behind).
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT entries)
list(PREPEND entries "")  # INSTALLDIR
get_filename_component(base "${OUTPUT}" DIRECTORY)

# Windows Installer names are identifiers; a clash of two makes wixl fail, not a wrong .msi.
function(name_of kind path out)
  string(MAKE_C_IDENTIFIER "${kind}_${path}" name)
  set(${out} ${name} PARENT_SCOPE)
endfunction()

set(folders "")
set(refs "")
foreach(entry IN LISTS entries)
  cmake_path(APPEND STAGE "${entry}" OUTPUT_VARIABLE directory)
  if(NOT IS_DIRECTORY "${directory}")
    continue()
  endif()
  if(entry STREQUAL "")
    set(folder INSTALLDIR)
  else()
    name_of(d "${entry}" folder)
    get_filename_component(parent "${entry}" DIRECTORY)
    set(parent_folder INSTALLDIR)
    if(parent)
      name_of(d "${parent}" parent_folder)
    endif()
    get_filename_component(name "${entry}" NAME)
    string(APPEND folders "    <DirectoryRef Id=\"${parent_folder}\"><Directory Id=\"${folder}\" Name=\"${name}\"/></DirectoryRef>\n")
  endif()
  file(GLOB files LIST_DIRECTORIES false "${directory}/*")
  list(SORT files)
  if(NOT files)
    message(FATAL_ERROR "${directory} holds no file: a folder the .msi would not remove")
  endif()
  string(APPEND folders "    <DirectoryRef Id=\"${folder}\">\n")
  set(remove "<RemoveFolder Id=\"remove_${folder}\" On=\"uninstall\"/>")
  foreach(file IN LISTS files)
    file(RELATIVE_PATH path "${STAGE}" "${file}")
    file(RELATIVE_PATH source "${base}" "${file}")
    name_of(f "${path}" component)
    string(APPEND folders "      <Component Id=\"${component}\" Guid=\"*\" Win64=\"yes\">"
                          "<File Id=\"${component}\" Source=\"${source}\" KeyPath=\"yes\"/>${remove}</Component>\n")
    string(APPEND refs "      <ComponentRef Id=\"${component}\"/>\n")
    set(remove "")
  endforeach()
  string(APPEND folders "    </DirectoryRef>\n")
endforeach()

file(WRITE "${OUTPUT}" "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">
  <Fragment>
${folders}    <ComponentGroup Id=\"Files\">
${refs}    </ComponentGroup>
  </Fragment>
</Wix>
")
