# SPDX-License-Identifier: GPL-3.0-or-later
# The print layout engine: a 100-page job to PDF.
add_executable(bench_print bench_print.cpp)
target_link_libraries(bench_print PRIVATE quillary_print benchmark::benchmark Qt6::Gui)
