# ZANTO_SANITIZE: "" (off), "address" (AddressSanitizer + UndefinedBehaviorSanitizer) or "thread".
set(ZANTO_SANITIZE "" CACHE STRING "Sanitizer build: address or thread")
if(ZANTO_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(ZANTO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
