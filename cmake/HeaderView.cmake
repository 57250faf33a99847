# The headers of `folder` (under `root`) as links in `view`/`folder`: a target given `view` as its
# include folder reaches that folder's headers and no others. The program's build and the fuzz
# targets' build make their views with it.
function(vorka_link_headers view root folder)
  file(MAKE_DIRECTORY ${view}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS ${root}/${folder}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    file(CREATE_LINK ${header} ${view}/${folder}/${name} SYMBOLIC)
  endforeach()
endfunction()
