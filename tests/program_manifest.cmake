# The program declares that it takes paths of any length and UTF-8 as its code page.
file(STRINGS "${PROGRAM}" declared REGEX "<(longPathAware|activeCodePage) [^>]*>(true|UTF-8)<")
list(LENGTH declared count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "${PROGRAM} does not declare long paths and UTF-8 in its manifest: ${declared}")
endif()
