# Copies the shipped System files into the program folder without overwriting what the user changed there.
file(GLOB files "${SRC}/*")
foreach(f ${files})
  get_filename_component(name ${f} NAME)
  if(NOT EXISTS "${DST}/${name}")
    file(COPY ${f} DESTINATION ${DST})
  endif()
endforeach()
