# Makes ZephrinSetup.msi: wixl builds it from Zephrin.wxs, then this writes
# into its tables what wixl 0.101 cannot say, then the build's signer signs it.
#   cmake -DWIXL= -DMSIBUILD= -DMSIINFO= -DWXS= -DWORK= -DOUT= -DVERSION= -DPRODUCT_CODE=
#         -DFILES=a|b|... [-DSIGN=bash|sign-file.sh[|--test|DIR]] -P BuildMsi.cmake
# FILES are packed under their own names, the ones Zephrin.wxs uses. OUT is
# removed first and written last, so that a failed step leaves no package.
foreach(name WIXL MSIBUILD MSIINFO WXS WORK OUT VERSION PRODUCT_CODE FILES)
  if(NOT DEFINED ${name} OR "${${name}}" STREQUAL "")
    message(FATAL_ERROR "BuildMsi.cmake needs -D${name}=")
  endif()
endforeach()
file(REMOVE "${OUT}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/files")
string(REPLACE "|" ";" files "${FILES}")
foreach(source IN LISTS files)
  file(COPY "${source}" DESTINATION "${WORK}/files")
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK}/files" RESULT_VARIABLE failed
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "could not ${what}:\n${out}")
  endif()
endfunction()

# wixl finds the sources relative to the folder it runs in, never by an absolute path.
set(msi "${WORK}/package.msi")
run("build the package with wixl" "${WIXL}" --arch x86 -D "Version=${VERSION}" -D "ProductCode=${PRODUCT_CODE}"
    -o "${msi}" "${WXS}")

# Not through run(): a list of arguments would split the query at its semicolons.
function(query sql)
  execute_process(COMMAND "${MSIBUILD}" "${msi}" -q "${sql}" RESULT_VARIABLE failed OUTPUT_VARIABLE out
                  ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "could not change the package's tables (${sql}):\n${out}")
  endif()
endfunction()

# The help file: two components install it under the one name, and exactly
# one of them is chosen. Not transitive: a repair, which does not repeat
# LANGUAGE, keeps the language that was installed.
query("UPDATE `Component` SET `Condition` = 'LANGUAGE <> \"korean\"' WHERE `Component` = 'HelpEnglish'")
query("UPDATE `Component` SET `Condition` = 'LANGUAGE = \"korean\"' WHERE `Component` = 'HelpKorean'")
# Updated=1 only over an older installation.
query("UPDATE `Component` SET `Condition` = 'WIX_UPGRADE_DETECTED' WHERE `Component` = 'UpdatedFlag'")
# Windows Installer compares only the first three fields of a version, and
# releases may differ only in the fourth: the same three fields must be an
# upgrade too (migrate features, maximum included), or two would stay side by side.
# Attributes is part of the row's key, so the row is written anew.
execute_process(COMMAND "${MSIINFO}" export "${msi}" Property OUTPUT_VARIABLE properties RESULT_VARIABLE failed)
if(failed OR NOT properties MATCHES "\nUpgradeCode\t({[-0-9A-F]+})")
  message(FATAL_ERROR "the package has no UpgradeCode")
endif()
set(upgrade_code "${CMAKE_MATCH_1}")
query("DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'")
query("INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('${upgrade_code}', '${VERSION}', 513, 'WIX_UPGRADE_DETECTED')")
# wixl writes SecureCustomProperties itself for the upgrade properties, and
# refuses a second row: ours are added to its own.
if(NOT properties MATCHES "\nSecureCustomProperties\t([^\r\n]*)")
  message(FATAL_ERROR "the package has no SecureCustomProperties to add LANGUAGE and OPTIMIZE to")
endif()
query("UPDATE `Property` SET `Value` = '${CMAKE_MATCH_1};LANGUAGE;OPTIMIZE' WHERE `Property` = 'SecureCustomProperties'")
# The folders above the program and download folders go when they are empty,
# as after the setup program; another program of the maker's keeps them.
query("INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`) VALUES ('RemoveProgramMakerFolder', 'ProgramFile', 'ProgramMakerFolder', 2)")
query("INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`) VALUES ('RemoveDataProductFolder', 'UpdatesFolder', 'DataProductFolder', 2)")
query("INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`) VALUES ('RemoveDataMakerFolder', 'UpdatesFolder', 'DataMakerFolder', 2)")
# A folder other than Program Files\ORVANE\Zephrin (INSTALLFOLDER on the
# command line or in a transform) ends the installation with this message
# (custom action type 19), once CostFinalize has resolved the folders.
query("INSERT INTO `CustomAction` (`Action`, `Type`, `Target`) VALUES ('RefuseOtherFolder', 19, 'Zephrin runs as an administrator, so it is installed only into [ZephrinDefaultFolder], which only administrators may change, not into [INSTALLFOLDER]. Do not set INSTALLFOLDER.')")
query("INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RefuseOtherFolder', 'NOT Installed AND NOT (INSTALLFOLDER ~= ZephrinDefaultFolder)', 1006)")

if(DEFINED SIGN AND NOT "${SIGN}" STREQUAL "")
  string(REPLACE "|" ";" sign "${SIGN}")
  run("sign the package" ${sign} "${msi}" "Zephrin Setup")
endif()
get_filename_component(out_folder "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_folder}")
file(RENAME "${msi}" "${OUT}")
