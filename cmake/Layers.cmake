# The layers of the source tree: for each folder, the folders its files may include from
# (#include "folder/..."). A file belongs to the top folder it lies in: ui/x11/ is ui,
# platform/posix/ is platform. Folders without an entry (bench, fuzz, tools, tests) are not checked.
set(layer_platform platform)
set(layer_io       io platform)
set(layer_midi     midi io platform)
set(layer_library  library midi io platform)
set(layer_compose  compose)
set(layer_loops    loops library midi io compose platform)
set(layer_kits     kits loops midi io platform)
set(layer_engine   engine loops library midi io compose platform)
set(layer_hostapi  hostapi)
set(layer_host     host hostapi engine loops library midi io compose platform)
set(layer_ui       ui engine platform)
set(layer_frame    frame hostapi host ui engine loops library midi io compose platform)
set(layer_sim      sim frame hostapi host engine loops library midi io compose platform)
set(layer_lv2      lv2 ui engine platform)
set(layer_app      app ui engine kits loops library midi io compose platform)

# The core also names no COM type outside comments and includes no operating-system header
# (both given as regular expressions).
set(core_folders engine library compose loops kits midi io)
set(core_com_names HRESULT IUnknown GUID REFIID "IMfx[A-Za-z0-9_]*" ISpecifyPropertyPages
    IPersistStream IStream "STDMETHOD[A-Za-z0-9_]*")
set(core_os_headers "[Ww]in[a-z0-9]*\\.h" objbase\\.h ole2\\.h unknwn\\.h unistd\\.h
    pthread\\.h dlfcn\\.h fcntl\\.h dirent\\.h "sys/.*" "X11/.*" "lv2/.*" "cairo.*")
