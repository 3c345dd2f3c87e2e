# cmake -DMAN=romweld.1 -DOUT=romweld.txt -P man_text.cmake
# The man page as plain text, for systems without man: mandoc's ASCII output
# without the backspaces by which it overstrikes bold and underlined words.
execute_process(COMMAND mandoc -T ascii ${MAN} OUTPUT_VARIABLE text RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "mandoc could not render ${MAN}")
endif()
string(ASCII 8 backspace)
string(REGEX REPLACE ".${backspace}" "" text "${text}")
file(WRITE ${OUT} "${text}")
