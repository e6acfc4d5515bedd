# The Qt-free sources (paths below src/), listed once: the libraries in
# src/CMakeLists.txt and the fuzz targets in fuzz/CMakeLists.txt build from them.
set(FAPKALK_PRICING_SOURCES
    pricing/calc_run.cpp pricing/calc_run.h
    pricing/cent_path.h
    pricing/engine.cpp pricing/engine.h
    pricing/exact_fp.h
    pricing/export_lines.cpp pricing/export_lines.h
    pricing/margins.cpp pricing/margins.h
    pricing/message_text.cpp pricing/message_text.h
    pricing/numbers.cpp pricing/numbers.h
    pricing/price_rows.cpp pricing/price_rows.h
    pricing/price_text.cpp pricing/price_text.h
    pricing/print_text.cpp pricing/print_text.h
    pricing/reverse.cpp pricing/reverse.h
    pricing/reverse_text.cpp pricing/reverse_text.h
    pricing/rounding_detail.h
    pricing/tariff.h
    pricing/text_rules.h
    pricing/options/option_types.h
    pricing/options/price_key_filter.cpp pricing/options/price_key_filter.h
    pricing/options/switch_rules.cpp pricing/options/switch_rules.h
    pricing/options/vat_field.cpp pricing/options/vat_field.h)

# The process's edges, Qt-free: safe file writing, standard streams, the
# clock of the export header, system error texts.
set(FAPKALK_PLATFORM_SOURCES
    platform/creation_time.cpp platform/creation_time.h
    platform/file_writer.cpp platform/file_writer.h
    platform/standard_streams.cpp platform/standard_streams.h
    platform/system_error_text.cpp platform/system_error_text.h)

# fapkalk-cli without its main().
set(FAPKALK_CLILIB_SOURCES
    cli/cli_args.cpp cli/cli_args.h
    cli/cli_formats.cpp cli/cli_formats.h
    cli/cli_help.cpp cli/cli_help.h
    cli/cli_input.cpp cli/cli_input.h
    cli/cli_output.cpp cli/cli_output.h
    cli/cli_pdf.h
    cli/cli_reverse.cpp cli/cli_reverse.h
    cli/cli_run.cpp cli/cli_run.h
    cli/cli_time.cpp cli/cli_time.h)

# The settings file's reader and writer (Qt-free), fuzzed on its own.
set(FAPKALK_PROFILE_FILE_SOURCES settings/profile_file.cpp settings/profile_file.h)
