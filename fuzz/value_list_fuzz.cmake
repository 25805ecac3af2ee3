# The value-list splitter and the whole/decimal number checks.
zanto_add_fuzzer(value_list_fuzz ValueListFuzz.cpp)
target_link_libraries(value_list_fuzz PRIVATE zanto_formats)
