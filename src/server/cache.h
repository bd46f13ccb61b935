#pragma once

#include "core/replace_file.h"
#include "server/json_value.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>

struct Context;
class JsonParser;

// The files the client keeps in its data folder: cached replies and request copies (one line of
// compact ASCII JSON ended by CR LF) and the documents the server sends as lists of byte values.
// Names are relative to the data folder; a backslash in a name separates folders, as on Windows.

// Reads a cached file back. A byte-order mark selects UTF-8 or UTF-16, otherwise the bytes are
// ANSI; the characters inside strings are then brought to 7-bit ASCII (letters lose their accents)
// and the text is parsed. Returns nullopt when the text is not one JSON value, or is a bare scalar
// followed by a line break. Throws FileError when the file cannot be read or is over the parser's
// limits (JsonParser::max_bytes, max_values), ProtocolError when the value is not an object.
std::optional<JsonValue> carregar_json(const Context& context, const QString& name);
// The same with a parser kept by the caller across the files of one load.
std::optional<JsonValue> carregar_json(const Context& context, const QString& name, JsonParser& parser);

// Writes text followed by CR LF, replacing the file as a whole. Creates no folder. Throws FileError.
void salvar_json(const Context& context, std::string_view text, const QString& name);
// Writes the compact serialisation of value.
// Replaceable for what the next download writes again (the cached catalogue).
void salvar_json(const Context& context, const JsonValue& value, const QString& name,
                 Durability durability = Durability::Synced);

// A document of an "ARQUIVO" array, decoded and checked, not yet written.
struct Documento {
    QString nome;
    QByteArray bytes;
};

// Writes the document of an "ARQUIVO" array ([byte list, byte count, file name]) into folder
// (absolute, or relative to the data folder), creating the folder when missing. Nothing is written
// or created unless the whole document is sound. Throws ProtocolError, ConversionError, FileError.
void salvar_arquivo(const Context& context, const JsonValue& arquivo, const QString& folder);
// The same for a document already decoded. A document never takes the place of the file of company
// certificates that the Certificado setting names, which would let a server choose whom the program
// trusts.
void salvar_documento(const Context& context, const Documento& documento, const QString& folder);
// What salvar_arquivo writes, with the same checks and errors, touching no file. The name must
// be a plain file name that is none of the program's own files nor a device name of Windows.
Documento decodificar_arquivo(const JsonValue& arquivo);

// Deletes a file of the data folder when it exists. Throws FileError when it cannot.
void apagar_arquivo(const Context& context, const QString& name);

// Deletes the cached catalogue files after a rejected salesperson key. Never fails.
void limpar_temporarios(const Context& context);
