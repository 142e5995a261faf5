// Lays out a script catalogue for a demo or a trial installation:
//
//   velm_make_catalogue --catalogue FILE.db --aliases FILE.ini
//       [--alias NAME=DATABASE]...       product aliases (SERVER NAME=DATABASE)
//       [--product DATABASE]...          creates a product database (embedded
//                                        Firebird, dialect 1, EMPRESA.NOME) if absent
//       [--ftp-password SCRAMBLED] [--ftp-password2 SCRAMBLED]
//       [--script PROGRAMA:VERSAO:FILE[:S|N]]...   a script from an ANSI file
//       [--demo-scripts]                 two small released QUORIX_SENHA scripts
//
// The catalogue is a new SQLite file reached through the alias "Check"; the
// alias file is what VELMUPDATE_ALIASES must name.
#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ParameterLine.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueSetup.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"

namespace {

using namespace velm;

struct Options {
    std::string catalogue, aliases, ftpPassword, ftpPassword2;
    std::vector<std::pair<std::string, std::string>> productAliases;
    std::vector<std::string> products;
    std::vector<CatalogueScript> scripts;
};

[[noreturn]] void usage(const std::string& problem) {
    std::fprintf(stderr,
                 "%s\nusage: velm_make_catalogue --catalogue FILE.db --aliases FILE.ini "
                 "[--alias NAME=DATABASE]... [--product DATABASE]... [--ftp-password S] "
                 "[--ftp-password2 S] [--script PROGRAMA:VERSAO:FILE[:S|N]]... [--demo-scripts]\n",
                 problem.c_str());
    std::exit(2);
}

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) usage("cannot read " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

void addDemoScripts(Options& options) {
    options.scripts.push_back(
        {"QUORIX_SENHA", "1",
         "/* Cadastro de clientes */\r\n"
         "CREATE TABLE CLIENTE (ID INTEGER NOT NULL, NOME VARCHAR(60), LIMITE NUMERIC(15,2));\r\n"
         "ALTER TABLE EMPRESA ADD CIDADE VARCHAR(40);\r\n"});
    options.scripts.push_back(
        {"QUORIX_SENHA", "2",
         "SET TERM ^ ;\r\n"
         "CREATE TRIGGER CLIENTE_BI FOR CLIENTE ACTIVE BEFORE INSERT POSITION 0 AS\r\n"
         "BEGIN\r\n"
         "  NEW.NOME = UPPER(NEW.NOME);\r\n"
         "  IF (NEW.LIMITE IS NULL) THEN NEW.LIMITE = 0;\r\n"
         "END\r\n"
         "^\r\n"
         "SET TERM ; ^\r\n"
         "INSERT INTO CLIENTE (ID, NOME) VALUES (1, 'Cliente de demonstra\xE7\xE3o');\r\n"});
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--catalogue") {
            options.catalogue = value();
        } else if (arg == "--aliases") {
            options.aliases = value();
        } else if (arg == "--alias") {
            const std::string pair = value();
            const auto alias = splitParameterLine(pair);
            if (!alias) usage("--alias wants NAME=DATABASE");
            options.productAliases.emplace_back(alias->name, alias->value);
        } else if (arg == "--product") {
            options.products.push_back(value());
        } else if (arg == "--ftp-password") {
            options.ftpPassword = value();
        } else if (arg == "--ftp-password2") {
            options.ftpPassword2 = value();
        } else if (arg == "--script") {
            const auto parts = split(value(), ':');
            if (parts.size() < 3 || parts.size() > 4)
                usage("--script wants PROGRAMA:VERSAO:FILE[:S|N]");
            options.scripts.push_back(
                {parts[0], parts[1], readFile(parts[2]), parts.size() == 4 ? parts[3] : "S"});
        } else if (arg == "--demo-scripts") {
            addDemoScripts(options);
        } else {
            usage("unknown argument " + arg);
        }
    }
    if (options.catalogue.empty() || options.aliases.empty())
        usage("--catalogue and --aliases are required");
    return options;
}

// A product database as the updater expects one: dialect 1, owner ROOT,
// with the marker table EMPRESA (NOME).
void createProduct(const std::string& path) {
    if (fileSystem().fileExists(path)) return;
    FbDatabase::createDatabase(path, kProductUser, kProductPassword, 1);
    FbDatabase db;
    useProductLogin(db);
    db.setDatabaseName(path);
    db.Open();
    FbTransaction transaction(&db);
    FbQuery query(db, transaction);
    query.setSQL("CREATE TABLE EMPRESA (NOME VARCHAR(60))");
    query.ExecQuery();
    transaction.Commit();
    query.setSQL("INSERT INTO EMPRESA (NOME) VALUES ('Loja de demonstra\xE7\xE3o')");
    query.ExecQuery();
    transaction.Commit();
    db.Close();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options options = parse(argc, argv);
    try {
        std::vector<std::string> aliases = {"[Check]", "DRIVER=SQLITE",
                                            "DATABASE NAME=" + options.catalogue};
        for (const auto& [name, database] : options.productAliases) {
            aliases.push_back("[" + name + "]");
            aliases.push_back("SERVER NAME=" + database);
        }
        fileSystem().writeTextLines(options.aliases, aliases);

        // A fresh catalogue: SQLite takes an empty file as a new database.
        fileSystem().writeTextLines(options.catalogue, {});
        const std::string setupAliases = options.aliases + ".setup";
        fileSystem().writeTextLines(
            setupAliases, {"[Setup]", "DRIVER=SQLITE", "DATABASE NAME=" + options.catalogue,
                           "OPEN MODE=READ/WRITE"});
        qputenv("VELMUPDATE_ALIASES", QByteArray::fromStdString(setupAliases));
        {
            CatalogueDatabase catalogue;
            catalogue.AliasName = "Setup";
            createCatalogueTables(catalogue);
            for (const CatalogueScript& script : options.scripts)
                addCatalogueScript(catalogue, script);
            setCatalogueFtpPasswords(catalogue, options.ftpPassword, options.ftpPassword2);
        }
        fileSystem().deleteFile(setupAliases);

        for (const std::string& product : options.products) createProduct(product);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velm_make_catalogue: %s\n", e.what());
        return 1;
    }
    std::printf("catalogue %s, aliases %s (%zu scripts)\n", options.catalogue.c_str(),
                options.aliases.c_str(), options.scripts.size());
    return 0;
}
