// Reference URL encoder for the tests: reads one byte string per line in hexadecimal and
// prints java.net.URLEncoder's encoding of those bytes (each byte as one ISO-8859-1 character).
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.net.URLEncoder;
import java.nio.charset.StandardCharsets;

public class UrlEncodeReference {
    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.US_ASCII));
        String line;
        while ((line = in.readLine()) != null) {
            byte[] bytes = new byte[line.length() / 2];
            for (int i = 0; i < bytes.length; i++) bytes[i] = (byte) Integer.parseInt(line.substring(2 * i, 2 * i + 2), 16);
            String text = new String(bytes, StandardCharsets.ISO_8859_1);
            System.out.println(URLEncoder.encode(text, StandardCharsets.ISO_8859_1));
        }
    }
}
