# cmake -P script: rasterises one SVG into the plain PNG (100 %) and the DPI
# variants the image loader searches for ("name@1.25x.png" ... "name@2x.png").
#   -DRSVG=<rsvg-convert> -DSVG=<source.svg> -DOUT=<output without ".png">
#   [-DOPTIPNG=<optipng>]   lossless recompression, when available
#   [-DZOPFLIPNG=<zopflipng>] a denser deflate of the same pixels, when available
foreach(var RSVG SVG OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RasteriseSvg: ${var} is not set")
  endif()
endforeach()
get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
set(outputs)
# Zoom factors; the SVG's own size is 100 % (96 DPI) and keeps the plain name.
foreach(zoom 1 1.25 1.5 1.75 2)
  set(suffix "")
  if(NOT zoom STREQUAL "1")
    set(suffix "@${zoom}x")
  endif()
  set(png "${OUT}${suffix}.png")
  execute_process(COMMAND "${RSVG}" --zoom=${zoom} --format=png --output "${png}" "${SVG}"
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "RasteriseSvg: ${SVG} at ${zoom}: ${err}")
  endif()
  list(APPEND outputs "${png}")
endforeach()
if(OPTIPNG)
  execute_process(COMMAND "${OPTIPNG}" -quiet -o2 -strip all ${outputs} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "RasteriseSvg: optipng failed on ${OUT}")
  endif()
endif()
# Zopfli's deflate takes about 7 % more off optipng's result (16 KB of the
# program's skin); one iteration with the filters optipng chose keeps it to
# about a quarter of a second per image.
if(ZOPFLIPNG)
  foreach(png ${outputs})
    execute_process(COMMAND "${ZOPFLIPNG}" -y --iterations=1 --filters=p "${png}" "${png}"
      RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "RasteriseSvg: zopflipng failed on ${png}")
    endif()
  endforeach()
endif()
