# Finds the machine's JDK for jni.h (and, natively, the javac that builds the test classes).
# JAVA_HOME wins; otherwise the JDK behind the javac on the PATH.
if(DEFINED ENV{JAVA_HOME} AND EXISTS "$ENV{JAVA_HOME}/include/jni.h")
  set(TAVLIN_JDK_HOME "$ENV{JAVA_HOME}")
else()
  find_program(TAVLIN_JAVAC_ON_PATH javac REQUIRED)
  file(REAL_PATH "${TAVLIN_JAVAC_ON_PATH}" _javac)
  get_filename_component(_bin "${_javac}" DIRECTORY)
  get_filename_component(TAVLIN_JDK_HOME "${_bin}" DIRECTORY)
endif()
if(NOT EXISTS "${TAVLIN_JDK_HOME}/include/jni.h")
  message(FATAL_ERROR "No JDK with include/jni.h found (tried ${TAVLIN_JDK_HOME}); install a JDK or set JAVA_HOME")
endif()
set(TAVLIN_JAVAC "${TAVLIN_JDK_HOME}/bin/javac")
set(TAVLIN_JAR "${TAVLIN_JDK_HOME}/bin/jar")
message(STATUS "JDK: ${TAVLIN_JDK_HOME}")

# jni.h includes "jni_md.h"; the JDK here ships only Linux's, so the Windows builds put our
# own first on the include path and never add the JDK's platform folder.
if(WIN32)
  set(TAVLIN_JNI_INCLUDE_DIRS "${CMAKE_CURRENT_LIST_DIR}/jni/win32" "${TAVLIN_JDK_HOME}/include")
else()
  set(TAVLIN_JNI_INCLUDE_DIRS "${TAVLIN_JDK_HOME}/include" "${TAVLIN_JDK_HOME}/include/linux")
endif()
