#pragma once

// Statement files written the way banks write them, for the tests that import them.
#include <string>

namespace tallowick::test {

// A statement file as a bank writes it, from a body written the SGML way (a leaf's value runs to the next
// tag; aggregates are closed). As XML every leaf gets its closing tag; SGML says its CHARSET.
inline std::string ofxFile(bool xml, const std::string& body, const char* charset = "1252")
{
    const std::string signon = "<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS><DTSERVER>"
                               "20090501<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>";
    std::string ofx = "<OFX>" + signon + body + "</OFX>";
    if (!xml)
        return std::string("OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nSECURITY:NONE\r\nENCODING:USASCII"
                           "\r\nCHARSET:")
               + charset + "\r\nCOMPRESSION:NONE\r\nOLDFILEUID:NONE\r\nNEWFILEUID:NONE\r\n\r\n" + ofx;
    for (std::size_t at = ofx.find('<'); at != std::string::npos; at = ofx.find('<', at + 1)) {
        const std::string tag = ofx.substr(at + 1, ofx.find('>', at) - at - 1);
        if (tag[0] != '/' && ofx.find("</" + tag + ">") == std::string::npos)
            ofx.insert(ofx.find('<', at + 1), "</" + tag + ">");
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?OFX OFXHEADER=\"200\" VERSION=\"211\" "
           "SECURITY=\"NONE\" OLDFILEUID=\"NONE\" NEWFILEUID=\"NONE\"?>\n"
           + ofx;
}

// One <STMTTRN>, its elements in the order the format gives them; none where null.
inline std::string trn(const char* type, const char* posted, const char* amount, const char* fitid,
                       const char* name, const char* memo = nullptr, const char* number = nullptr)
{
    const auto element = [](const char* tag, const char* value) {
        return value ? std::string("<") + tag + ">" + value : std::string();
    };
    return "<STMTTRN>" + element("TRNTYPE", type) + element("DTPOSTED", posted) + element("TRNAMT", amount)
           + element("FITID", fitid) + element("CHECKNUM", number) + element("NAME", name)
           + element("MEMO", memo) + "</STMTTRN>";
}

// A bank account's statement of April 2009 (a credit card's with `type` "CC"), in its message set.
inline std::string stmt(const char* id, const char* type, const std::string& transactions,
                        const char* balance = "<BALAMT>1000<DTASOF>20090430120000[-5:EST]")
{
    const bool card = std::string(type) == "CC";
    const std::string from = card ? std::string("<CCACCTFROM><ACCTID>") + id + "</CCACCTFROM>"
                                  : std::string("<BANKACCTFROM><BANKID>121000248<ACCTID>") + id + "<ACCTTYPE>"
                                        + type + "</BANKACCTFROM>";
    const std::string rs = card ? "CCSTMTRS" : "STMTRS", trnrs = card ? "CCSTMTTRNRS" : "STMTTRNRS";
    const std::string set = card ? "CREDITCARDMSGSRSV1" : "BANKMSGSRSV1";
    return "<" + set + "><" + trnrs + "><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS><" + rs
           + "><CURDEF>USD" + from + "<BANKTRANLIST><DTSTART>20090401<DTEND>20090430" + transactions
           + "</BANKTRANLIST><LEDGERBAL>" + balance + "</LEDGERBAL></" + rs + "></" + trnrs + "></" + set
           + ">";
}

} // namespace tallowick::test
