# SPDX-License-Identifier: GPL-3.0-or-later
# Sources are collected by directory so that adding a file needs no edit here;
# CONFIGURE_DEPENDS re-globs on every build.
function(curvane_glob out)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${ARGN})
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()
