# Answers the find_dependency(Boost) of Coin's static package for Windows. Coin uses only
# Boost's header-only parts, and only while Coin itself is built: what links it needs nothing
# of Boost, so its target here is empty. Does not: offer Boost's headers or libraries.
set(Boost_VERSION 0)
if(NOT TARGET Boost::boost)
  add_library(Boost::boost INTERFACE IMPORTED)
endif()
