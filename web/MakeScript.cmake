# Writes the element's script: emscripten's loader of the module (LOADER, beside which the module
# itself lies), then the element (ELEMENT), both inside one function so that neither leaves a
# name in the page's global scope. The module is copied beside the script as cinefold.wasm.
get_filename_component(loader_dir ${LOADER} DIRECTORY)
get_filename_component(loader_name ${LOADER} NAME_WE)
file(READ ${LOADER} loader)
file(READ ${ELEMENT} element)
file(WRITE ${SITE}/cinefold-player.js "(() => {\n${loader}\n${element}})();\n")
file(COPY_FILE ${loader_dir}/${loader_name}.wasm ${SITE}/cinefold.wasm ONLY_IF_DIFFERENT)
