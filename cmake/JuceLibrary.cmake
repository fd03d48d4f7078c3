# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Compiles the JUCE modules once into `juce_lib`; every target that needs JUCE
# links this one library instead of recompiling the modules.
find_package(JUCE CONFIG REQUIRED)
find_package(PkgConfig REQUIRED)

# Debian strips JUCE's bundled codecs, so the system libraries stand in for them.
pkg_check_modules(JUCE_SYSDEPS REQUIRED IMPORTED_TARGET
  zlib libpng libjpeg flac vorbis vorbisenc vorbisfile ogg freetype2 alsa jack)

add_library(juce_lib STATIC)
target_link_libraries(juce_lib
  PRIVATE juce::juce_core juce::juce_events juce::juce_data_structures juce::juce_graphics
          juce::juce_gui_basics juce::juce_gui_extra juce::juce_audio_basics
          juce::juce_audio_devices juce::juce_audio_formats juce::juce_audio_processors
          juce::juce_audio_utils
  PUBLIC  juce::juce_recommended_config_flags PkgConfig::JUCE_SYSDEPS)

target_compile_definitions(juce_lib
  PUBLIC JUCE_STANDALONE_APPLICATION=1
         JUCE_WEB_BROWSER=0
         JUCE_USE_CURL=0
         JUCE_JACK=0
         JUCE_ALSA=1
         JUCE_PLUGINHOST_LV2=1
         JUCE_PLUGINHOST_VST3=1
         JUCE_MODAL_LOOPS_PERMITTED=1
         JUCE_DISPLAY_SPLASH_SCREEN=0
         JUCE_REPORT_APP_USAGE=0
         "JUCE_JACK_CLIENT_NAME=\"${VARNOLO_PRODUCT_NAME}\""
  INTERFACE $<TARGET_PROPERTY:juce_lib,COMPILE_DEFINITIONS>)

# JUCE's headers are not ours to keep warning-free: include them as system headers.
target_include_directories(juce_lib SYSTEM INTERFACE $<TARGET_PROPERTY:juce_lib,INCLUDE_DIRECTORIES>)
set_target_properties(juce_lib PROPERTIES POSITION_INDEPENDENT_CODE ON)
